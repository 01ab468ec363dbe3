// kvs_artgen: draws every picture and synthesises every sound sample of the
// screensaver.
//   kvs_artgen --out DIR                writes the payload files and DIR/artwork.rc
//   kvs_artgen --contact-sheet FILE.png writes one picture of all ABITMAP resources
#include <cstdio>
#include <cstring>

#include "resources.h"
#include "sheet.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kvs_artgen --out DIR\n"
               "       kvs_artgen --contact-sheet FILE.png\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  if (std::strcmp(argv[1], "--out") == 0) {
    const int result = artgen::WriteResources(argv[2]);
    if (result != 0) std::fprintf(stderr, "kvs_artgen: writing into %s failed\n", argv[2]);
    return result;
  }
  if (std::strcmp(argv[1], "--contact-sheet") == 0) {
    if (!artgen::WriteContactSheet(argv[2])) {
      std::fprintf(stderr, "kvs_artgen: cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  return Usage();
}
