#pragma once

// What the scanner says, spelled as the users of earlier versions know it.
namespace qev::si {

inline constexpr const char *kScanCategoryScan = "Scan";
inline constexpr const char *kScanCategoryTest = "Test";
inline constexpr const char *kScanCategoryWarnings = "Warnings";
inline constexpr const char *kScanCategoryNoSignal = "No signal";

inline constexpr const char *kErrScanWhileRecording = "Cannot scan while recording...";
inline constexpr const char *kNoTransponderSelected = "No transponder selected...";
inline constexpr const char *kInvalidTransponder = "Invalid transponder";
inline constexpr const char *kSignalTestStart = "Signal test - START";
inline constexpr const char *kSignalTestFinished = "Signal test - FINNISHED";
inline constexpr const char *kScanStart = "Scan START";
inline constexpr const char *kScanDone = "Scan DONE";
inline constexpr const char *kScanAborted = "Scan ABORTED !";
inline constexpr const char *kScanFinished = "Scan finnished";
inline constexpr const char *kScanTimeout = " Scan timeout...";
inline constexpr const char *kScanTransponderOk = "Scan transponder OK...";
inline constexpr const char *kScanJobsStatus = "Scan CAT && SDT && PMT";
inline constexpr const char *kScanPatStatus = "Scan PAT";
inline constexpr const char *kPatFilterError = "PAT - Error adding filter";
inline constexpr const char *kPatIncomplete = "PAT - Table incompleted";
inline constexpr const char *kNoSignal = ": NO Signal";
inline constexpr const char *kTuningStatus = "Tunning (";
inline constexpr const char *kSignalOk = ": Signal OK (";
inline constexpr const char *kChannelsFound = " channels";
// A job's warning: the table name, the marker, the PID and what was collected.
inline constexpr const char *kJobFilterError = "-Filter Err  PID=";
inline constexpr const char *kJobTimeout = "-Timeout     PID=";
inline constexpr const char *kJobIncomplete = "-Incomplete  PID=";
inline constexpr const char *kSdxNameMark = " (*)";
inline constexpr const char *kEmptyNamePrefix = "(empty) SID ";
inline constexpr const char *kMergeSavedIn = " scanned channels was saved in ";
inline constexpr const char *kMergeNew = "New = ";
inline constexpr const char *kMergeUpdated = " , Updated = ";
inline constexpr const char *kMergeUnchanged = " , Unchanged = ";
inline constexpr const char *kMergeRemoved = " , Removed = ";
inline constexpr const char *kEmptyScanList = "Scanned channels list is empty...";
inline constexpr const char *kCannotLoadList = "Cannot get/load channels list for SatID=";
inline constexpr const char *kAskUpdateNow =
    "Scanned channels was not saved/updated.\r\rUpdate now ?";
inline constexpr const char *kExceptionOnTerminate = "Exception on terminate ScanJobThread...";
inline constexpr const char *kNotOnActiveTransponder =
    "Selected channel is not on active transponder...";
inline constexpr const char *kRescanError = "Channel rescan error.\r\r";
inline constexpr const char *kRescanPmtFilterError = " : PMT - Error adding filter";
inline constexpr const char *kRescanPmtIncomplete = " : PMT - Table incomplete";
inline constexpr const char *kRescanNoChanges = "Rescan OK - No changes detected.";
inline constexpr const char *kRescanUpdated = "Rescan OK - Channel was updated.";
inline constexpr const char *kRescanSaveQuestion =
    "Rescan OK - Channel was updated.\r\rSave changes ?";
inline constexpr const char *kRescanStoreFailed = "Channel could not be stored: ";
inline constexpr const char *kClipboardError = "Cannot open clipboard...";
inline constexpr const char *kDownloadInvalid = "Downloaded file is invalid...";
// The title of the download window of a web source.
inline constexpr const char *kWebUpdateTitle = "Update";
// Appended to the menu caption of a web source the program cannot download.
inline constexpr const char *kNeedsHttpsSuffix = " (needs https, not supported)";

} // namespace qev::si
