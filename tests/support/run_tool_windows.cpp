#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "support/run_tool.h"

namespace {

std::wstring wide(const std::string& text) {
  if (text.empty()) {
    return {};
  }
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
  return result;
}

// Under Wine the build tree's paths are Unix paths; Wine shows the Unix root as Z:.
std::wstring windows_path(std::string path) {
  if (!path.empty() && path[0] == '/') {
    path = "Z:" + path;
  }
  for (char& c : path) {
    c = c == '/' ? '\\' : c;
  }
  return wide(path);
}

// Text-mode output on Windows ends lines with CR LF; the tests expect LF.
std::string lf_line_ends(const std::string& text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      result += text[i];
    }
  }
  return result;
}

struct Child {
  HANDLE process = nullptr;
  HANDLE input = nullptr;   // its standard input
  HANDLE output = nullptr;  // its standard output
};

// Starts `program` in `folder` on two pipes. DETACHED_PROCESS: no console,
// as when a script or a service runs the tool.
bool start_child(const std::string& program, const std::string& folder, Child& child) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE input_read = nullptr;
  HANDLE output_write = nullptr;
  if (!CreatePipe(&input_read, &child.input, &inherit, 0) ||
      !CreatePipe(&child.output, &output_write, &inherit, 0)) {
    return false;
  }
  SetHandleInformation(child.input, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(child.output, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input_read;
  startup.hStdOutput = output_write;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started{};
  std::wstring command = L"\"" + windows_path(program) + L"\"";
  const BOOL ok = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                                 windows_path(folder).c_str(), &startup, &started);
  const DWORD error = GetLastError();
  CloseHandle(input_read);
  CloseHandle(output_write);
  if (!ok) {
    CloseHandle(child.input);
    CloseHandle(child.output);
    SetLastError(error);  // for the caller to say why
    return false;
  }
  CloseHandle(started.hThread);
  child.process = started.hProcess;
  return true;
}

}  // namespace

ToolRun run_tool(const std::string& folder, const std::string& input,
                 const std::function<void()>& /*before_start: POSIX only*/, int seconds,
                 const std::string& tool) {
  Child child;
  if (!start_child(tool, folder, child)) {
    return {"could not start " + tool + ": Windows error " + std::to_string(GetLastError()), -1, false};
  }

  std::thread feeder([&] {
    DWORD wrote = 0;
    if (!input.empty()) {
      WriteFile(child.input, input.data(), static_cast<DWORD>(input.size()), &wrote, nullptr);
    }
    CloseHandle(child.input);
  });
  std::string output;
  std::thread collector([&] {
    char piece[4096];
    DWORD got = 0;
    while (ReadFile(child.output, piece, sizeof piece, &got, nullptr) && got > 0) {
      output.append(piece, got);
    }
  });

  ToolRun run;
  if (WaitForSingleObject(child.process, static_cast<DWORD>(seconds) * 1000) != WAIT_OBJECT_0) {
    run.timed_out = true;
    TerminateProcess(child.process, 1);
    WaitForSingleObject(child.process, INFINITE);
  }
  collector.join();
  feeder.join();
  DWORD status = 0;
  GetExitCodeProcess(child.process, &status);
  run.status = run.timed_out ? -1 : static_cast<int>(status);
  run.output = lf_line_ends(output);
  CloseHandle(child.output);
  CloseHandle(child.process);
  return run;
}

Background::Background(const std::string& program, const std::string& folder, const std::string& ready_text,
                       const std::string& typed) {
  Child child;
  DWORD written = 0;
  if (!start_child(program, folder, child) ||
      !WriteFile(child.input, typed.data(), static_cast<DWORD>(typed.size()), &written, nullptr)) {
    return;
  }
  process = reinterpret_cast<std::intptr_t>(child.process);
  input = reinterpret_cast<std::intptr_t>(child.input);
  std::string output;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (output.find(ready_text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(child.output, nullptr, 0, nullptr, &waiting, nullptr)) {
      break;  // it ended
    }
    if (waiting == 0) {
      WaitForSingleObject(child.process, 5);  // returns early should it end
      continue;
    }
    char piece[4096];
    DWORD got = 0;
    if (!ReadFile(child.output, piece, std::min<DWORD>(waiting, sizeof piece), &got, nullptr)) {
      break;
    }
    output.append(piece, got);
  }
  ready = output.find(ready_text) != std::string::npos;
  CloseHandle(child.output);
}

void Background::kill() {
  if (process != -1) {
    const HANDLE handle = reinterpret_cast<HANDLE>(process);
    TerminateProcess(handle, 1);
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
    process = -1;
  }
}

Background::~Background() {
  kill();
  if (input != -1) {
    CloseHandle(reinterpret_cast<HANDLE>(input));
  }
}
