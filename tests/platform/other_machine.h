// A second, fresh machine root for one test; the test's own machine comes back afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/machine.h"

class OtherMachine {
 public:
  OtherMachine() {
    char pattern[] = "/tmp/vp-unit-machine-XXXXXX";
    root_ = mkdtemp(pattern);
    saved_ = vp::machine::Root();
    vp::machine::UseRoot(root_ + "/m");
  }
  ~OtherMachine() {
    vp::machine::UseRoot(saved_);
    std::string command = "chmod -R u+rwx '" + root_ + "' 2>/dev/null; rm -rf '" + root_ + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << root_;
  }
  // The host folder that holds the machine root ("<Host>/m") and room for other folders.
  const std::string& Host() const { return root_; }

  // Replaces the drive table and has the machine read it again.
  void SetDriveTable(const std::string& table) const {
    std::string root = vp::machine::Root();
    std::ofstream(root + "/drives.conf") << table;
    vp::machine::UseRoot(root);
  }

 private:
  std::string root_, saved_;
};
