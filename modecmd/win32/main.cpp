#include <string_view>
#include <vector>

#include "app.h"
#include "scm_win32.h"

int main(int argc, char* argv[]) {
  std::vector<std::string_view> args;
  for (int i = 1; i < argc; ++i) {
    args.emplace_back(argv[i]);
  }
  modecmd::CWin32Seam seam;
  return modecmd::RunModeCmd(seam, args);
}
