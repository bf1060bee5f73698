// Reads a link file back through the platform's own link object.
#pragma once

#include <string>

struct LinkProperties {
  bool loaded = false;
  std::string target, arguments, workingFolder;
};

LinkProperties ReadLink(const std::string& path);
