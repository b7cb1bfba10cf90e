#pragma once
// Runs Tarnlet for real on the X11 session named by DISPLAY, until it is asked to quit. Returns the
// process's exit status; a build without the desktop backend says so and returns 2.

#include <string>
#include <vector>

namespace tarnlet {

int runDesktopSession(int argc, char** argv, const std::vector<std::string>& arguments);

}  // namespace tarnlet
