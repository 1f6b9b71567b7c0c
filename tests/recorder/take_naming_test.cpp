// Take naming: the candidate search on the path text, and the same search against a real folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>

#include "recorder/take_naming.h"
#include "recorder_test_support.h"

namespace varnolith::plugins {
namespace {

struct NamingCase {
  std::u16string modulePath;
  std::set<std::u16string> existing;
  std::u16string expected;
};

std::string narrow(const std::u16string& s) { return std::filesystem::path(s).string(); }

TEST(TakeNaming, CandidateTable) {
  const NamingCase cases[] = {
      {u"D:\\rec\\mix.wav", {}, u"D:\\rec\\mix.wav"},  // nothing there: the path itself
      {u"D:\\rec\\mix.wav", {u"D:\\rec\\mix.wav"}, u"D:\\rec\\mix-take1.wav"},
      {u"D:\\rec\\mix.wav", {u"D:\\rec\\mix.wav", u"D:\\rec\\mix-take1.wav"}, u"D:\\rec\\mix-take2.wav"},
      {u"mix", {u"mix"}, u"mix-take1.wav"},  // no folder, no extension: relative
      {u"/home/a/mix.aiff", {u"/home/a/mix.aiff"}, u"/home/a/mix-take1.wav"},  // always .wav
      {u"mix-take1.wav", {u"mix-take1.wav"}, u"mix-take1-take1.wav"},
      {u"dir/a.b.WAV", {u"dir/a.b.WAV"}, u"dir/a.b-take1.wav"},  // only the last extension goes
      {u"dir/.hidden", {u"dir/.hidden"}, u"dir/.hidden-take1.wav"},  // leading dot is no extension
      {u"dir/.hidden.wav", {u"dir/.hidden.wav"}, u"dir/.hidden-take1.wav"},
      {u"dir/..", {u"dir/.."}, u"dir/..-take1.wav"},  // one or two dots are their own stem
      {u"dir/.", {u"dir/."}, u"dir/.-take1.wav"},
      {u"dir/...", {u"dir/..."}, u"dir/..-take1.wav"},
      {u"dir/mix.", {u"dir/mix."}, u"dir/mix-take1.wav"},
      {u"C:mix.wav", {u"C:mix.wav"}, u"C:mix-take1.wav"},  // drive prefix is not part of the name
      {u"C:\\mix.wav", {u"C:\\mix.wav"}, u"C:\\mix-take1.wav"},
      {u"/mix.wav", {u"/mix.wav"}, u"/mix-take1.wav"},  // stays in the root
      {u"dir//mix.wav", {u"dir//mix.wav"}, u"dir/mix-take1.wav"},  // trailing separators collapse
      {u"D:\\rec/sub\\mix.wav", {u"D:\\rec/sub\\mix.wav"}, u"D:\\rec/sub\\mix-take1.wav"},
      {u"dir/", {u"dir/"}, u"dir/-take1.wav"},
      {u"dir.d/mix", {u"dir.d/mix"}, u"dir.d/mix-take1.wav"},  // dots in folders do not count
  };
  for (const NamingCase& c : cases) {
    const std::u16string got = chooseTakePath(c.modulePath, [&](const std::u16string& p) { return c.existing.count(p) > 0; });
    EXPECT_EQ(narrow(got), narrow(c.expected)) << "module path " << narrow(c.modulePath);
  }
}

TEST(TakeNaming, StopsSearchingAtTakeOneHundredThousand) {
  unsigned queries = 0;
  const std::u16string all = chooseTakePath(u"x.wav", [&](const std::u16string&) {
    ++queries;
    return true;
  });
  EXPECT_EQ(narrow(all), "x-take99999.wav") << "returned although it exists; arming it then fails";
  EXPECT_EQ(queries, 100000u);

  const std::u16string lastFree = chooseTakePath(u"x.wav", [](const std::u16string& p) { return p != u"x-take99998.wav"; });
  EXPECT_EQ(narrow(lastFree), "x-take99998.wav");
}

TEST(TakeNaming, QueryErrorsPropagate) {
  EXPECT_THROW(chooseTakePath(u"x.wav", [](const std::u16string&) -> bool { throw std::runtime_error("io"); }),
               std::runtime_error);
}

TEST(TakeNaming, SearchesARealFolder) {
  testing::TempDir dir;
  const std::u16string base = dir.path().u16string();
  testing::touch(dir / "mix.wav");
  testing::touch(dir / "mix-take1.wav");
  std::filesystem::create_directory(dir / "mix-take2.wav");  // a folder occupies the name too
  EXPECT_EQ(chooseTakePath(base + u"/mix.wav"), base + u"/mix-take3.wav");
  EXPECT_EQ(chooseTakePath(base + u"/free.wav"), base + u"/free.wav");

#ifdef _WIN32
  // Both separators name folders on Windows; the take stays in the folder the path names.
  std::filesystem::create_directory(dir / "sub");
  testing::touch(dir / "sub" / "mix.wav");
  EXPECT_EQ(chooseTakePath(base + u"/sub\\mix.wav"), base + u"/sub\\mix-take1.wav");
  EXPECT_EQ(chooseTakePath(base + u"\\sub/mix.wav"), base + u"\\sub/mix-take1.wav");
#else
  // A backslash-separated name: on this platform the backslashes belong to the file name, yet the
  // take keeps the folder part of the text.
  testing::touch(dir / "sub\\mix.wav");
  EXPECT_EQ(chooseTakePath(base + u"/sub\\mix.wav"), base + u"/sub\\mix-take1.wav");
#endif

  // UTF-16 in, UTF-8 bytes on disk.
  const std::u16string unicode = base + u"/Aufnahme \u00e4\u03a9 \U0001F3B5.wav";
  testing::touch(std::filesystem::path(unicode));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / std::filesystem::path(u8"Aufnahme \u00e4\u03a9 \U0001F3B5.wav")));
  EXPECT_EQ(chooseTakePath(unicode), base + u"/Aufnahme \u00e4\u03a9 \U0001F3B5-take1.wav");
}

TEST(TakeNaming, FailingExistenceQueryRaisesFilesystemErrorNamingExists) {
  testing::TempDir dir;
  const std::u16string tooLong = dir.path().u16string() + u"/" + std::u16string(300, u'x') + u".wav";
#ifdef _WIN32
  // The Windows runtime reports a name it cannot look up as absent: the path is free to try, and
  // creating the file refuses it later.
  EXPECT_EQ(chooseTakePath(tooLong), tooLong);
  return;
#endif
  try {
    chooseTakePath(tooLong);
    FAIL() << "no error";
  } catch (const std::filesystem::filesystem_error& e) {
    EXPECT_NE(std::string(e.what()).find("exists"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace varnolith::plugins
