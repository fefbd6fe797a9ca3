// Recursive directory scan into scanner.scanList.
#pragma once

#include <string>

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
