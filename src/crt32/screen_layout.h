// Names for the colour slots and the fixed places on the screen, so that a
// screen's code says what it draws rather than which number it uses.
#pragma once

// Colour slots 1..30; their colours are in the console's slot table.
namespace slot {
// The pop-up chooser.
constexpr int kBox = 1;
constexpr int kBoxTitle = 2;
constexpr int kCandidate = 3;
constexpr int kExactMatch = 4;
constexpr int kPartialMatch = 5;
constexpr int kCandidateBar = 6;
constexpr int kExactMatchBar = 7;
constexpr int kPartialMatchBar = 8;
// The drive line at the top of the tree.
constexpr int kDriveLine = 9;
constexpr int kDriveLetter = 10;
constexpr int kAbsentDriveLetter = 11;
constexpr int kCurrentDriveLetter = 12;
constexpr int kAbsentCurrentDriveLetter = 13;
constexpr int kDirectoryCount = 14;
// The list window.
constexpr int kTreePrefix = 15;
constexpr int kName = 16;
constexpr int kNameBar = 17;
constexpr int kStartupName = 18;
constexpr int kStartupNameBar = 19;
constexpr int kAbsentName = 29;
constexpr int kAbsentNameBar = 30;
// The status line.
constexpr int kStatusNote = 20;
constexpr int kStatusPath = 21;
constexpr int kPrompt = 22;
// The speed search line.
constexpr int kSearchLabel = 23;
constexpr int kSearchText = 24;
constexpr int kSearchHint = 25;
// The help screen.
constexpr int kHelpHeading = 26;
constexpr int kHelpText = 27;
}  // namespace slot

constexpr char kProgramTitle[] = "Kestrin 95 v1.00";

// Places on the tree screen: the drive line is row 0, the status line the
// last row, the list window the rows between.
constexpr int kDriveRow = 0;
constexpr int kTitleColumn = 26;
constexpr int kCountColumn = 69;
constexpr int kPathColumn = 12;  // the status line's path, after " F1: Help │ "
