// Writes every payload file of the screensaver's generated resources into a
// folder, plus artwork.rc, the resource script that declares them by relative
// file name: ABITMAP pictures, icon "A", close-button BITMAPs 1010..1012 and
// OGG samples (all with language 9, 1).
#pragma once

#include <string>

namespace artgen {

// 0 on success, 1 when a file cannot be drawn, encoded or written.
int WriteResources(const std::string& dir);

}  // namespace artgen
