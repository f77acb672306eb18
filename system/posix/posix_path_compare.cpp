// POSIX path overlap: paths are compared component by component, once as
// written (made absolute, "." and ".." folded) and once with their links
// resolved, so that neither a link nor a "../" spelling hides an overlap.
#include <filesystem>
#include <system_error>

#include "system/path_compare.h"

namespace phpswitch {
namespace {

namespace fs = std::filesystem;

fs::path lexicalForm(const Text& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(fs::path(path), error);
  if (error) absolute = fs::path(path);
  fs::path normal = absolute.lexically_normal();
  // "/a/b/" keeps an empty last component; drop it so that it equals "/a/b".
  if (!normal.has_filename() && normal != normal.root_path()) normal = normal.parent_path();
  return normal;
}

fs::path resolved(const fs::path& path) {
  std::error_code error;
  fs::path real = fs::weakly_canonical(path, error);
  return error ? path : real;
}

// The parent resolved, the last component kept as it is: a link there is
// removed as a link, so where it leads does not matter.
fs::path resolvedParent(const fs::path& path) {
  if (path == path.root_path() || !path.has_filename()) return resolved(path);
  return resolved(path.parent_path()) / path.filename();
}

bool liesWithin(const fs::path& inner, const fs::path& outer) {
  auto in = inner.begin();
  for (auto out = outer.begin(); out != outer.end(); ++out, ++in) {
    if (in == inner.end() || *in != *out) return false;
  }
  return true;
}

bool overlap(const fs::path& a, const fs::path& b) { return liesWithin(a, b) || liesWithin(b, a); }

}  // namespace

bool pathsOverlap(const Text& removed, const Text& kept) {
  if (removed.empty() || kept.empty()) return false;
  const fs::path removedPath = lexicalForm(removed);
  const fs::path keptPath = lexicalForm(kept);
  return overlap(removedPath, keptPath) || overlap(resolvedParent(removedPath), resolved(keptPath));
}

}  // namespace phpswitch
