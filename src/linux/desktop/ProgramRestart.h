#pragma once

namespace quillbox::ProgramRestart {

// Runs this program again from its start, with the same arguments and the
// environment as it now is, under its own name: through the file it runs
// from when that is still this program, else through /proc/self/exe (which
// alone would name the process "exe", so `pkill quillbox` and process
// monitors no longer found it). Returns only when no restart could be made.
void exec(char** argv);

// At start: a process named "exe" by a restart through /proc/self/exe takes
// back the name it was started by.
void restoreName(const char* argv0);

} // namespace quillbox::ProgramRestart
