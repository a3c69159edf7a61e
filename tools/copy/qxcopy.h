#pragma once
// QXCopy: run at every boot from the start-up folder. It prepares the board
// I/O, counts starts in "\Temp\qxinit.log", performs the copy script
// "QXCopy.inf" of its "QXCopy" folder on a cold start (no counter yet) and
// sets an unset clock to its build date. Everything it says is a debug trace.
#include <cstdint>
#include <string>
#include <string_view>

namespace qxcopy {

// What RunCopyInf answers.
enum CopyInfResult : int {
    kScriptDone = 0,
    kScriptMissing = 3,
    kScriptReadError = 4,
    kScriptBadLine = 5,
};

// The whole run; the exit code is always 0.
int QxCopyMain();
// Takes and drops the single-instance mutex "QXCopy"; true when it existed.
bool IsAlreadyRunning();
// Counts this start; true when it was a cold start (no counter file yet).
bool CountReset();
int RunCopyInf();
// Splits one script line; false (traced) on a bad line.
bool ParseInfLine(std::u16string_view line, std::u16string_view copy_folder, std::u16string& source,
                  std::u16string& destination, std::u16string& options);
bool CopyOneFile(std::u16string_view source, std::u16string_view destination);
void MakeDirectoryPath(std::u16string_view path);
bool RegisterDll(std::u16string_view path);
bool RunProgram(std::u16string_view path, bool wait);
void SetClockFromBuildDate();
// 1..12 for "jan".."dec" in any case; any other name gives 1.
int ParseMonthName(std::string_view name);

}  // namespace qxcopy
