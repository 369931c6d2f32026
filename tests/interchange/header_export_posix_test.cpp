// An export that a file-size limit stops half-way.
#include "interchange/header_export.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "database/image.h"
#include "database/image_builder.h"
#include "interchange/header_export_fixture.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::HeaderExportTest;
using kavor::testing::TempDir;

const char kTpPrefix[] =
    "// PgDefTp.h\n\n"
    "struct\tDEFAULT_TP\n{\n\tuint16\tmNetworkId;\n\tuint16\tmTpId;\n\tuint16\tmFrequency;\n"
    "\tuint16\tmSymbolRate;\n\tuint8\tmSatId;\n\tuint8\tmTpFlag;\n};\n\n"
    "struct\tDEFAULT_TP\tdefaulttp[] = \n{";

TEST_F(HeaderExportTest, FailingWriteIsAnError) {
  ImageBuilder b(image_, kKind5);
  b.Finish();
  // A size limit below the first file's length: creating succeeds, writing
  // does not. The child reports the result through its exit code.
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const bool ok = ExportDefaultTables(image_, dir_.path());
    ::_exit(ok ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "PgDefSat.h"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "PgDefTp.h"));
}

}  // namespace
}  // namespace kavor
