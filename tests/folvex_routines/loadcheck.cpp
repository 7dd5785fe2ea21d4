// Loads the package named on the command line as a host or the designer
// does, and checks one exported name and one text of its string table.
// Exit code: 0 loaded; the system error code when it does not load;
// 1 bad arguments; 2 an export missing; 3 the text missing or wrong.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2) return 1;
    HMODULE package = LoadLibraryExA(argv[1], nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!package) return static_cast<int>(GetLastError());
    if (!GetProcAddress(package, "_MSG_FILE_NOT_FOUND")) return 2;
    char text[64] = "";
    if (LoadStringA(package, 65522, text, sizeof text) <= 0 || std::strcmp(text, "File not found") != 0)
        return 3;
    FreeLibrary(package);
    return 0;
}
