#pragma once
// The command line's direct search: "rimario-cli buscar" by ending or by
// vowels answered from the store's snapshot alone, without Qt and without
// opening the store with SQLite, when the snapshot is of the store's very
// state (read under SQLite's own shared lock) and of the same collation (the
// same ICU files). Anything it cannot answer exactly as the whole program
// would (other options, patterns, an ending the keys cannot tell, a store
// being written, no snapshot) it leaves to the whole program.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace rimario::cli {

// The arguments after "buscar". The exit status, the words written to
// 'salida'; nothing (and nothing written) when the whole program must answer.
// The blocks of the snapshot the search reads are checked unless 'comprobar'
// is false (what the check costs is measured so).
std::optional<int> buscarDirecto(const std::vector<std::string> &args, std::FILE *salida, bool comprobar = true);

} // namespace rimario::cli
