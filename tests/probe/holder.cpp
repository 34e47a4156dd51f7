// Holds a file or a folder open, or nothing, until it is ended: what keeps a stick in use.
// holder.exe <ready event> file|folder|none <path>; the event is set once it holds it.
#include <windows.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args || count < 4) return 2;
  const bool folder = lstrcmpW(args[2], L"folder") == 0;
  HANDLE held = INVALID_HANDLE_VALUE;
  if (folder || lstrcmpW(args[2], L"file") == 0) {
    held = CreateFileW(args[3], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 3;
  }
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, args[1]);
  if (!ready || !SetEvent(ready)) return 4;
  CloseHandle(ready);
  Sleep(INFINITE);
  return 0;
}
