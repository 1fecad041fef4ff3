#include "tests/support/temp_dir.h"

#include <unistd.h>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace totem::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "totem-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  // Traversable (not listable) by others: the test run's PostgreSQL and
  // nginx run as an unprivileged user and keep their files in here.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all |
                                          std::filesystem::perms::group_exec |
                                          std::filesystem::perms::others_exec);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace totem::test
