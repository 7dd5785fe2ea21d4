// The uninstaller's start-up, apart from its window: what one run removes
// (TUninstallJob), read from the argument, the uninstall entry or the
// configuration location; the guard of the product folder; the language of
// the texts; and which of the product folder's files seem to be the user's.
#pragma once

#include <exception>
#include <string>
#include <vector>

namespace fw {
class TForm;
}

namespace uninst {

// The texts of the run, English by default: the erase warning with and
// without the user's files, completed, error, aborted, the server that could
// not be unregistered (replaced by the language library's texts 4460 to 4465
// when one is found), and completed with files left for the restart to
// remove (replaced by its text 4466 when the library has one).
constexpr int kMessageCount = 7;
extern std::string MessageTexts[kMessageCount];

// What one run removes, as the start-up read it.
struct TUninstallJob {
    std::string Argument;             // the argument, after the quote rule
    bool FromConfigLocation = false;  // it named a configuration location, not an entry
    std::string UninstallKey;         // below HKEY_LOCAL_MACHINE
    std::string ConfigKey;            // the configuration location, or empty
    bool ConfigIsFile = false;        // ConfigKey names a file, not a registry key
    std::string ProductPath;          // the product folder, as the window and the trace show it
    std::wstring ProductRoot;         // the product folder, canonical: what the run erases
    std::string ProductName;
    std::vector<std::string> UnregisterList;
    // Filled by FindUserFiles: the installation's files (hidden ones with the
    // installation's stamp included), the user's files the window lists, and
    // hidden files of another stamp, which are the user's too but not listed.
    std::vector<std::wstring> ProductFiles;
    std::vector<std::wstring> UserFiles;
    std::vector<std::wstring> HiddenUserFiles;
    // The installation's stamp was found, so the user's files could be told
    // from the installation's.
    bool StampKnown = false;
};

// The command line: the switches, wherever they stand and in any letter
// case: /quiet (no window, no message box), /deleteuserfiles (the user's
// files go too), /log=FILE (the trace goes to FILE); and the one argument,
// the first that is not a switch.  Later arguments that are not switches
// are ignored.
struct TSwitches {
    bool HasArgument = false;
    std::string Argument;  // the entry name or configuration location, as given
    bool Quiet = false;
    bool DeleteUserFiles = false;
    std::string LogFile;  // made full against the current directory at the start
    std::string Refused;  // the first unknown switch or switch without its value
};

// The exit code for a refused switch: nothing has been read or touched.
constexpr unsigned long kExitBadSwitch = 1639;

// Reads the command line's arguments (the program's name left out).
TSwitches ReadSwitches(const std::vector<std::string>& args);

// Ends the program as the fatal stop does, with the error that escaped the
// start-up: nothing is shown or removed on half of what the run must know.
[[noreturn]] void StopWith(const std::exception& e);

// Reads the job from the argument as given: applies the quote rule, makes
// the program's own folder the current directory, reads the uninstall entry
// or the configuration location and refuses a product folder that is not
// the product's alone.  A refusal is the fatal stop.
void ReadProduct(const std::string& asGiven, TUninstallJob& job);

// Loads the language library that the product's configuration names,
// translates Form (when given) and the texts of the run, and frees the library
// again.  Every failure leaves the texts as far as they were replaced.
void ChooseLanguage(const TUninstallJob& job, fw::TForm* form);

// Sorts the local product folder's files into the installation's
// (ProductFiles) and the user's (UserFiles, HiddenUserFiles): a file whose
// packed DOS stamp lies more than 10 from the first help file's (the
// installation's stamp) is the user's, unless its extension begins with
// ".~"; hidden files and the files of hidden folders are sorted the same
// way.  The program's own trace file is neither: it stays for examination
// unless everything goes.  One walk of the tree gives the list, the first
// help file and every stamp.
void FindUserFiles(TUninstallJob& job);

}  // namespace uninst
