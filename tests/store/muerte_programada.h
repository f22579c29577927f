#pragma once
// A death at a chosen step, for the child programs of the crash tests.
//
// A step is anything that changes what is on disk: SQLite's writes and
// truncations of a file, the creation of a file and the deletion of one, and
// renames and hard links (these two caught at the C library for any caller in
// the process). Once armed with n, the
// process counts the steps and kills itself with SIGKILL just before taking
// the n-th, so every kill point of an operation can be tried one by one.

#include <cstdint>

namespace rimario::muerte {

// Puts the counting calls in front of SQLite's own calls into the system. Call
// once, before any store is opened.
void instalarMuerte();
// Starts counting anew; the process dies before step n (never when n <= 0).
void armarMuerte(std::int64_t n);
// Steps taken since the last armarMuerte.
std::int64_t pasosDados();
// A step of the program's own: a kill point where nothing is written (e.g.
// just after a commit, before the program goes on).
void pasoPropio(const char *que);

} // namespace rimario::muerte
