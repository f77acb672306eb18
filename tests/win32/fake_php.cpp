// A stand-in php.exe for the program tests: answers the two command lines the
// app runs, `-r "echo PHP_VERSION;"` and `-v`, as PHP 7.0.3 would.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "-r") == 0) {
    std::fputs("7.0.3", stdout);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "-v") == 0) {
    std::fputs("PHP 7.0.3 (cli) (built: Jan  6 2016 12:59:51) ( NTS )\r\n"
               "Copyright (c) 1997-2016 The PHP Group\r\n",
               stdout);
    return 0;
  }
  std::fputs("Usage: php [options] [-f] <file> [--] [args...]\r\n", stderr);
  return 1;
}
