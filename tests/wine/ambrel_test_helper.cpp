// A program for the command runner's tests to start:
//   ambrel_test_helper sleep MS       ends after MS milliseconds with exit code 0
//   ambrel_test_helper exit N         ends at once with exit code N
//   ambrel_test_helper hang           never ends by itself
//   ambrel_test_helper showstate FILE writes the show state it was started with to FILE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "sleep") == 0) {
        Sleep(static_cast<DWORD>(std::atol(argv[2])));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "hang") == 0) {
        for (;;) Sleep(INFINITE);
    }
    if (argc >= 3 && std::strcmp(argv[1], "showstate") == 0) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        GetStartupInfoA(&startup);
        FILE* out = std::fopen(argv[2], "w");
        if (!out) return 2;
        std::fprintf(out, "%lu %u", static_cast<unsigned long>(startup.dwFlags & STARTF_USESHOWWINDOW),
                     static_cast<unsigned>(startup.wShowWindow));
        std::fclose(out);
        return 0;
    }
    return 1;
}
