// Finding and loading the vendor DLLs, each case in a child process that loads a copy
// of the library from a folder arranged as a user's installation might be.
#include <gtest/gtest.h>

#include <algorithm>

#include "vendor/conversion.h"
#include "vendor/driver.h"
#include "win32/harness.h"

namespace wintest {
namespace {

using Paths = std::vector<std::string>;

struct Seen {
  std::string init;
  Paths vendor;  // the driver and conversion DLLs the child holds
  Paths helper;  // the qvsim.dll it holds
  std::string probe;
  std::string errorMode;
};

Seen run(const fs::path &own, const std::string &pathPrefix = {}) {
  const ChildResult child = runChild({"init", own.string()}, pathPrefix);
  EXPECT_EQ(child.exitCode, 0) << child.output;
  EXPECT_EQ(child.line("jni"), "balanced") << child.output;
  Seen seen{child.line("init"), {}, {}, child.line("probe"), child.line("errormode")};
  for (const std::string &path : child.lines("loaded"))
    (path.size() >= 9 && path.compare(path.size() - 9, 9, "qvsim.dll") == 0 ? seen.helper
                                                                             : seen.vendor)
        .push_back(path);
  return seen;
}

std::string in(const Folder &folder, const std::string &file) {
  return samePath(folder.path() / file);
}

TEST(LoadingTest, DriverFromOwnFolderEvenWithAnotherOnThePath) {
  Folder own("own"), other("other");
  own.copyBuilt(kAllFiles);
  other.copyBuilt({"pccam.dll", "qvsim.dll"});
  const Seen seen = run(own.path(), other.path().string());
  EXPECT_EQ(seen.init, "0 1392 1040 0");
  EXPECT_EQ(seen.vendor, (Paths{in(own, "pccam.dll"), in(own, "pcocnv.dll")}));
  EXPECT_EQ(seen.helper, Paths{in(own, "qvsim.dll")});
}

TEST(LoadingTest, DriverByBareNameThroughTheSearchPathWhenMissingFromOwnFolder) {
  Folder own("own"), other("other");
  own.copyBuilt({"QuorvaneNative.dll", "pcocnv.dll", "qvsim.dll"});
  other.copyBuilt({"pccam.dll", "qvsim.dll"});
  const Seen seen = run(own.path(), other.path().string());
  EXPECT_EQ(seen.init, "0 1392 1040 0");
  EXPECT_EQ(seen.vendor, (Paths{in(other, "pccam.dll"), in(own, "pcocnv.dll")}));
}

TEST(LoadingTest, ConversionLibraryOnlyFromOwnFolder) {
  Folder own("own"), other("other");
  own.copyBuilt({"QuorvaneNative.dll", "pccam.dll", "qvsim.dll"});
  other.copyBuilt({"pcocnv.dll", "qvsim.dll"});
  const Seen seen = run(own.path(), other.path().string());
  EXPECT_EQ(seen.init, "-56 0 0 0");
  // The driver stays loaded after the conversion library failed.
  EXPECT_EQ(seen.vendor, Paths{in(own, "pccam.dll")});
}

TEST(LoadingTest, NoDriverAnywhere) {
  Folder own("own");
  own.copyBuilt({"QuorvaneNative.dll", "pcocnv.dll", "qvsim.dll"});
  const Seen seen = run(own.path());
  EXPECT_EQ(seen.init, "-56 0 0 0");
  EXPECT_TRUE(seen.vendor.empty());
}

// Each variant lacks one entry point: bring-up reports 1, and the DLL that lacks it is
// given back (a driver without an entry point is not kept for the conversion step).
TEST(LoadingTest, MissingEntryPoints) {
#define QV_NAME(name) #name,
  const char *const driverEntries[] = {QV_DRIVER_ENTRY_POINTS(QV_NAME)};
  const char *const conversionEntries[] = {QV_CONVERSION_ENTRY_POINTS(QV_NAME)};
#undef QV_NAME
  struct Case {
    const char *library;
    const char *entry;
  };
  std::vector<Case> cases;
  for (const char *entry : driverEntries) cases.push_back({"pccam.dll", entry});
  for (const char *entry : conversionEntries) cases.push_back({"pcocnv.dll", entry});
  for (const Case &c : cases) {
    Folder own(std::string("no_") + c.entry);
    own.copyBuilt(kAllFiles);
    own.copyFrom(variantDir() / (std::string("no-") + c.entry), c.library);
    const Seen seen = run(own.path());
    EXPECT_EQ(seen.init, "1 0 0 0") << c.entry;
    const Paths expected = std::string(c.library) == "pcocnv.dll" ? Paths{in(own, "pccam.dll")}
                                                                  : Paths{};
    EXPECT_EQ(seen.vendor, expected) << c.entry;
  }
}

TEST(LoadingTest, FolderNamedLikeTheLibrary) {
  // The vendor DLLs lie beside the library file, not beside a folder whose name holds
  // the library's file name (in another case, as Windows file names ignore case).
  Folder root("named");
  root.copyBuilt({"pccam.dll", "qvsim.dll"}, "QuorvaneNative.dll.d");
  const fs::path inner = fs::path("QuorvaneNative.dll.d") / "QUORVANENATIVE.DLL.d";
  root.copyBuilt(kAllFiles, inner);
  const fs::path own = root.path() / inner;
  const Seen seen = run(own);
  EXPECT_EQ(seen.init, "0 1392 1040 0");
  EXPECT_EQ(seen.vendor, (Paths{samePath(own / "pccam.dll"), samePath(own / "pcocnv.dll")}));
}

// The library's path is read into a buffer of 260 characters: a path that fills it is
// cut off, and must load nothing rather than look for DLLs in a cut-off folder. The
// folder a cut-off path would name holds vendor DLLs too, as a decoy.
TEST(LoadingTest, LibraryPathLengthAtTheBufferLimit) {
  struct Case {
    std::size_t pathLength;  // of ...\QuorvaneNative.dll
    bool fits;
  };
  const Case cases[] = {{259, true}, {260, false}, {300, false}};
  for (const Case &c : cases) {
    Folder root("len" + std::to_string(c.pathLength));
    const std::size_t fileName = std::string("\\QuorvaneNative.dll").size();
    fs::path own = root.path();
    while (own.string().size() + fileName < c.pathLength) {
      const std::size_t rest = c.pathLength - own.string().size() - fileName;
      own /= std::string(rest > 50 ? 40 : rest - 1, 'd');
    }
    const std::string file = (own / "QuorvaneNative.dll").string();
    ASSERT_EQ(file.size(), c.pathLength);
    root.copyBuilt(kAllFiles, fs::relative(own, root.path()));
    const fs::path cutOff = file.substr(0, file.find_last_of('\\', 258));
    root.copyBuilt({"pccam.dll", "pcocnv.dll", "qvsim.dll"}, fs::relative(cutOff, root.path()));
    const Seen seen = run(own);
    if (c.fits) {
      EXPECT_EQ(seen.init, "0 1392 1040 0");
      EXPECT_EQ(seen.vendor, (Paths{samePath(own / "pccam.dll"), samePath(own / "pcocnv.dll")}));
    } else {
      EXPECT_EQ(seen.init, "-56 0 0 0") << c.pathLength;
      EXPECT_TRUE(seen.vendor.empty()) << c.pathLength;
    }
  }
}

// Two copies of the library in one process have the same module name; each must load
// the vendor DLLs from its own folder, whichever copy a lookup by name would find.
TEST(LoadingTest, EachOfTwoCopiesOfTheLibraryUsesItsOwnFolder) {
  Folder first("first"), second("second");
  first.copyBuilt(kAllFiles);
  second.copyBuilt(kAllFiles);
  const ChildResult child = runChild({"twice", first.path().string(), second.path().string()});
  ASSERT_EQ(child.exitCode, 0) << child.output;
  EXPECT_EQ(child.line("jni"), "balanced");
  const Folder *folders[] = {&first, &second};
  for (int i = 0; i < 2; ++i) {
    const std::string number = std::to_string(i + 1);
    EXPECT_EQ(child.line("init" + number), "0 1392 1040 0") << number;
    Paths loaded = child.lines("loaded" + number);
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(loaded, (Paths{in(*folders[i], "pccam.dll"), in(*folders[i], "pcocnv.dll"),
                             in(*folders[i], "qvsim.dll")}))
        << number;
  }
}

// Every load runs under SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, added to the
// host's own mode, and the host's mode is back afterwards. The probe stands in for the
// driver, found by full path in the library's folder or by bare name on the search path.
TEST(LoadingTest, LoadsRunWithoutErrorDialogsAndRestoreTheHostsErrorMode) {
  struct Case {
    const char *where;
    bool probeInOwnFolder;
  };
  const Case cases[] = {{"own folder", true}, {"search path", false}};
  for (const Case &c : cases) {
    Folder own("probe_own"), other("probe_other");
    own.copyBuilt({"QuorvaneNative.dll", "pcocnv.dll", "qvsim.dll"});
    (c.probeInOwnFolder ? own : other).copyFrom(probeDir(), "pccam.dll");
    const Seen seen = run(own.path(), c.probeInOwnFolder ? std::string() : other.path().string());
    EXPECT_EQ(seen.init, "1 0 0 0") << c.where;  // the probe has no entry points
    EXPECT_EQ(seen.probe, "8003") << c.where;    // 0x8000 | 0x0001, and the host's 0x0002
    EXPECT_EQ(seen.errorMode, "2") << c.where;
  }
}

}  // namespace
}  // namespace wintest
