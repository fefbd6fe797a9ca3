// A quiet rescan of the drives already in the scan file, for a jump that
// found nothing: the folder made since the last scan is then found too.
#pragma once

enum class RefreshResult {
  kRefreshed,  // the scan file was rewritten with the drives scanned afresh
  kUnchanged,  // so it was, and every drive's directories are as they were
  kNothing,    // no scanned drive is present (or none matches `onlyDrive`)
  kBusy,       // another run is rewriting the scan file; nothing waited for
  kCanceled,   // Esc; the scan file is as it was
  kFailed,     // a drive could not be read, or the file not replaced
};

// Rescans every drive of the scan file that is present (only drive
// `onlyDrive` when it is greater than 0) and rewrites the scan file, the
// other drives copied unchanged.  A drive's line "Scanning drive D:" is
// shown only on a console, so that piped output stays as it was.
RefreshResult RefreshScannedDrives(int onlyDrive);
