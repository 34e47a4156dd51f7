// What another process's console shows, for the window tests: "console_screen <pid> <file>"
// writes the lines of that console's screen, from the top down to the cursor's line, each
// without its trailing spaces and ended by "\n", into the file. Exit code 0 when it could
// read the screen.
#include <windows.h>

#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc != 3) return 2;
  const DWORD pid = std::strtoul(__argv[1], nullptr, 10);
  // A program may be attached to one console only: not the one of whoever started this.
  FreeConsole();
  if (!AttachConsole(pid)) return 1;
  HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info = {};
  if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &info)) return 1;
  std::string text;
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
    std::string line(static_cast<size_t>(info.dwSize.X), ' ');
    DWORD read = 0;
    if (!ReadConsoleOutputCharacterA(screen, &line[0], info.dwSize.X, COORD{0, y}, &read)) return 1;
    line.resize(read);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  CloseHandle(screen);
  FreeConsole();
  HANDLE file = CreateFileA(__argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(file);
  return ok ? 0 : 1;
}
