// A child for the tool tests: writes its process id to the file it is given, then sleeps.
//   tarnwick_sleeper SECONDS [PID_FILE]
#include <cstdlib>
#include <fstream>

#include <windows.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    if (argc > 2)
        std::ofstream(argv[2]) << GetCurrentProcessId() << "\n";
    Sleep(static_cast<DWORD>(std::atoi(argv[1])) * 1000);
    return 0;
}
