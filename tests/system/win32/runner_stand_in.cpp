// A stand-in for php.exe and for the children the Win32 runner tests need:
// php's -v and version query, a zero byte, a given amount of output, stderr
// between stdout, the inherited error mode, a read of stdin, a pause. Any
// other arguments are echoed back, so a mangled command line shows.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

void put(HANDLE handle, const std::string& bytes) {
  DWORD written = 0;
  ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void out(const std::string& bytes) {
  put(::GetStdHandle(STD_OUTPUT_HANDLE), bytes);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  const std::string second = argc > 2 ? argv[2] : "";
  if (argc == 2 && first == "-v") {
    out("PHP 7.0.3 (cli) (built: Feb  2 2016)\r\nCopyright (c) The PHP Group\r\n");
  } else if (argc == 3 && first == "-r" && second == "echo PHP_VERSION;") {
    out("7.0.3");
  } else if (argc == 2 && first == "--zero") {
    out(std::string("ab\0cd", 5));
  } else if (argc == 3 && first == "--bytes") {
    out(std::string(static_cast<std::size_t>(std::atoi(argv[2])), 'x'));
  } else if (argc == 4 && first == "--repeat") {
    for (int i = std::atoi(argv[3]); i > 0; --i) out(second + "\r\n");
  } else if (argc == 2 && first == "--stderr") {
    out("out1\r\n");
    put(::GetStdHandle(STD_ERROR_HANDLE), "err\r\n");
    out("out2\r\n");
  } else if (argc == 2 && first == "--error-mode") {
    out(std::to_string(::GetErrorMode()));
  } else if (argc == 2 && first == "--stdin") {
    char c = 0;
    DWORD got = 0;
    const BOOL read = ::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr);
    out(read && got > 0 ? "read" : "no input");
  } else if (argc == 3 && first == "--sleep") {
    ::Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    out("slept");
  } else {
    out("unexpected arguments:");
    for (int i = 1; i < argc; ++i) out(std::string(" [") + argv[i] + "]");
    return 2;
  }
  return 0;
}
