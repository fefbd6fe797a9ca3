// Recursive directory scan into scanner.scanList.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Collects the directories below `path` ("D:" for a drive's root) into
// scanner.scanList, in the order found (several threads may share the work;
// the sort puts them into tree order).  Sets scanCount and scanCanceled.
void ScanDirectory(const std::string& path);

// Why the last scan cannot be trusted (a directory that could not be opened
// or read for a reason other than access denied or vanished); empty when it
// can.  A failed scan's list must not be written.
const std::string& ScanFailure();

// What the last scan left out because the scan file cannot hold the names
// ("3 directories left out: their names do not fit code page 1252"); empty
// when it left nothing out.  What lies below such a directory is not
// counted: it is never read.
std::string ScanLeftOutText();

// Threads for the next scans: 1 is the plain depth-first walk; 0 (the
// default) takes KS95_SCAN_THREADS or one per core, at most 8.
void SetScanThreads(int threads);

// For other walks of a drive that must keep this one's rules and manners:
// whether an entry is scanned (`excluded`: the attribute bits that drop it),
// the progress count, the keyboard poll for Esc and the failure report.
bool ScanWants(std::string_view name, uint32_t attributes, uint32_t excluded, bool dotHidden);
// The same for a name this scan's rules took before (a line of KS.DAT):
// only its attributes can have changed.
bool ScanWantsAttributes(uint32_t attributes, uint32_t excluded);
// Whether the scan file can hold a listed name whatever its attributes (a
// rescan records hidden ones too); *leftOut when it cannot, counted as left
// out where `excluded` would have taken the entry.
bool ScanStorable(std::string_view name, uint32_t attributes, uint32_t excluded,
                  bool dotHidden, bool atRoot, bool* leftOut);
void BeginScanProgress();
void PollScanKeyboard();
void ShowScanCountNowAndThen(int count);
void EndScanProgress();  // the last count always shows
void FailScan(const std::string& path, const std::string& why);
// Threads the scans may use (SetScanThreads, KS95_SCAN_THREADS, cores).
int ScanThreadCount();
