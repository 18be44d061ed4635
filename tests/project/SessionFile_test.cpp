// The session file beside a project, the project as a document (title,
// unsaved changes, recent list) and what the program opens at start.
#include "project/SessionFile.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using Names = std::vector<std::string>;

TEST(SessionFile, EverythingTheProjectFileLeavesOutReadsBackAsItWas) {
  ProjectState project;
  project.clipAFileName = "/clips/left cam.mp4";
  project.clipBFileName = "/clips/right=cam.mp4";
  project.outputScriptName = "/out/movie.avs";
  AlignmentSettings a;
  a.horizontal.SetPosition(-12);
  a.vertical.SetPosition(6);
  a.scaleText = "101,5";  // as typed, in the locale's format
  a.scaleRText = "99";
  a.angleText = "-1";
  a.angleRText = "0.25";
  a.finalWidthText = "1920";
  a.finalHeightText = "1080";
  a.useFinalSize = a.autoCrop = a.swapViews = true;
  a.sliderAValue = -2.5;
  a.sliderBValue = 0.33333333;
  a.sliderAStep = 0.5;
  a.sliderBStep = 0.01;
  ViewerState viewer;
  viewer.offset = {-50, 50, 9};
  const ScriptRecord scripts = {{"/out/movie.avs", "0123456789abcdef"}, {"/out/movie_L.avs", "fedcba9876543210"}};
  project.conformRate = true;  // the right camera conformed, not scaled

  const LineList lines = SessionFileLines(SessionOf(project, a, viewer, scripts));
  EXPECT_EQ(lines.front(), "! TandemixSession 1");
  EXPECT_EQ(lines[1], "clipA=/clips/left cam.mp4");
  EXPECT_EQ(lines[2], "clipB=/clips/right=cam.mp4");
  EXPECT_EQ(lines.back(), "script=fedcba9876543210 /out/movie_L.avs");

  const SessionContents s = ParseSessionLines(lines);
  EXPECT_TRUE(s.problems.empty());
  EXPECT_EQ(s.clipA, project.clipAFileName);
  EXPECT_EQ(s.clipB, project.clipBFileName);
  EXPECT_EQ(s.outputScriptName, "/out/movie.avs");
  EXPECT_EQ(s.offset, 9);
  EXPECT_EQ(s.scripts, scripts);
  EXPECT_TRUE(s.conformRate);
  EXPECT_FALSE(s.scaleRight);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "conformRate=1"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "scaleRightToLeft=0"), lines.end());
  AlignmentSettings b;
  ApplySessionAlignment(s, b);
  EXPECT_EQ(b.horizontal.position, -12);
  EXPECT_EQ(b.vertical.position, 6);
  EXPECT_EQ(b.scaleText, "101,5");
  EXPECT_EQ(b.angleRText, "0.25");
  EXPECT_EQ(b.finalWidthText, "1920");
  EXPECT_EQ(b.finalHeightText, "1080");
  EXPECT_TRUE(b.useFinalSize && b.autoCrop && b.swapViews);
  EXPECT_EQ(b.sliderAValue, -2.5);
  EXPECT_EQ(b.sliderBValue, 0.33333333);
  EXPECT_EQ(b.sliderAStep, 0.5);
  EXPECT_EQ(b.sliderBStep, 0.01);
  // Written out again, the same lines.
  EXPECT_EQ(SessionFileLines(SessionOf(project, b, viewer, scripts)), lines);
}

TEST(SessionFile, AStereoClipHasNoSecondName) {
  ProjectState project;
  project.importStereo = true;
  project.clipAFileName = project.clipBFileName = "/clips/sbs.mkv";
  const SessionContents s = SessionOf(project, {}, {}, {});
  EXPECT_EQ(s.clipA, "/clips/sbs.mkv");
  EXPECT_EQ(s.clipB, "");
}

TEST(SessionFile, BadLinesAreReportedAndTheRestCounts) {
  const SessionContents s = ParseSessionLines({"! TandemixSession 1", "offset=12", "horizontal=ten", "vertical=4x",
                                               "swapViews=yes", "sliderA=nan", "no equals sign", "script=abc /x.avs",
                                               "laterKey=whatever", "", "clipA=/a.avi"});
  EXPECT_EQ(s.offset, 12);
  EXPECT_EQ(s.horizontal, 0);
  EXPECT_EQ(s.vertical, 0);
  EXPECT_FALSE(s.swapViews);
  EXPECT_EQ(s.sliderAValue, 0.0);
  EXPECT_TRUE(s.scripts.empty());
  EXPECT_EQ(s.clipA, "/a.avi");
  EXPECT_EQ(
      s.problems,
      (Names{"line 3 has an unreadable value: horizontal=ten", "line 4 has an unreadable value: vertical=4x",
             "line 5 has an unreadable value: swapViews=yes", "line 6 has an unreadable value: sliderA=nan",
             "line 7 is not \"name=value\": no equals sign", "line 8 has an unreadable value: script=abc /x.avs"}));
}

TEST(SessionFile, SavedBesideTheProjectWhichStaysAsItIs) {
  test::TempFolder folder;
  const std::string avp = folder.File("movie.avp");
  EXPECT_EQ(SessionPathOf(avp), folder.File("movie.avp.session"));
  EXPECT_FALSE(ReadSession(SessionPathOf(avp)).has_value()) << "no session: nothing to restore";
  ProjectState project;
  project.BlockAt(Block::Output) = {"SideBySide"};
  project.clipAFileName = "/a.avi";
  SaveProject(avp, project);
  SaveSession(SessionPathOf(avp), SessionOf(project, {}, {}, {}));
  EXPECT_EQ(test::ReadBytes(avp), JoinLinesCrLf(ProjectFileLines(project)));
  const auto back = ReadSession(SessionPathOf(avp));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->clipA, "/a.avi");
  // The .avp reads as before: the session file is not in it.
  EXPECT_EQ(ReadProject(avp).blocks[6], Names{"SideBySide"});
}

TEST(SessionFile, ShiftsOutsideTheBarsWidenThem) {
  SessionContents s;
  s.horizontal = 1500;
  s.vertical = -900;
  AlignmentSettings a;  // bars of -718..718 and -574..574
  ApplySessionAlignment(s, a);
  EXPECT_EQ(a.horizontal.position, 1500);
  EXPECT_EQ(a.horizontal.maximum, 1500);
  EXPECT_EQ(a.vertical.position, -900);
  EXPECT_EQ(a.vertical.minimum, -900);
}

TEST(SessionFile, AlignmentStartValuesAndReset) {
  AlignmentSettings a;
  EXPECT_TRUE(AlignmentAtStart(a));
  struct Case {
    const char* what;
    void (*change)(AlignmentSettings&);
  };
  const Case cases[] = {
      {"shift", [](AlignmentSettings& s) { s.horizontal.SetPosition(3); }},
      {"vertical", [](AlignmentSettings& s) { s.vertical.SetPosition(-1); }},
      {"scale", [](AlignmentSettings& s) { s.scaleText = "132"; }},
      {"right scale", [](AlignmentSettings& s) { s.scaleRText = "99"; }},
      {"tilt", [](AlignmentSettings& s) { s.angleText = "1"; }},
      {"right tilt", [](AlignmentSettings& s) { s.angleRText = "-0.5"; }},
  };
  for (const Case& c : cases) {
    AlignmentSettings s;
    s.useFinalSize = true;
    s.finalWidthText = "1280";
    s.sliderAValue = 4;
    c.change(s);
    EXPECT_FALSE(AlignmentAtStart(s)) << c.what;
    ResetAlignment(s);
    EXPECT_TRUE(AlignmentAtStart(s)) << c.what;
    // What belongs to the movie stays.
    EXPECT_TRUE(s.useFinalSize);
    EXPECT_EQ(s.finalWidthText, "1280");
    EXPECT_EQ(s.sliderAValue, 4);
  }
}

TEST(SessionFile, FingerprintsAreFnv1a) {
  EXPECT_EQ(TextFingerprint(""), "cbf29ce484222325");
  EXPECT_EQ(TextFingerprint("a"), "af63dc4c8601ec8c");
  EXPECT_NE(TextFingerprint("Crop(0,0,0,0)\r\n"), TextFingerprint("Crop(0,0,0,0)\n"));
}

TEST(ProjectDocumentTest, TitleNamesTheFileAndMarksChanges) {
  ProjectDocument doc;
  EXPECT_EQ(doc.Title(false, "Tandemix v1"), "Tandemix v1");
  EXPECT_EQ(doc.Title(true, "Tandemix v1"), "Untitled* - Tandemix v1");
  doc.MarkSaved("/home/me/films/holiday.avp", {"a"});
  EXPECT_EQ(doc.Title(false, "Tandemix v1"), "holiday.avp - Tandemix v1");
  EXPECT_EQ(doc.Title(true, "Tandemix v1"), "holiday.avp* - Tandemix v1");
  EXPECT_FALSE(doc.Modified({"a"}));
  EXPECT_TRUE(doc.Modified({"a", "b"}));
}

TEST(ProjectDocumentTest, TheSnapshotSeesAlignmentClipsAndBlocks) {
  ProjectState project;
  AlignmentSettings a;
  ViewerState viewer;
  const LineList start = ProjectSnapshot(project, a, viewer);
  ProjectDocument doc;
  doc.MarkSaved("", start);
  a.vertical.SetPosition(2);
  EXPECT_TRUE(doc.Modified(ProjectSnapshot(project, a, viewer)));
  a.vertical.SetPosition(0);
  EXPECT_FALSE(doc.Modified(ProjectSnapshot(project, a, viewer)));
  viewer.offset = {-5, 5, 1};
  EXPECT_TRUE(doc.Modified(ProjectSnapshot(project, a, viewer)));
  viewer.offset.position = 0;
  project.BlockAt(Block::FilterLeft).push_back("Crop");
  EXPECT_TRUE(doc.Modified(ProjectSnapshot(project, a, viewer)));
}

TEST(ProjectDocumentTest, RecentProjectsLatestFirstWithoutRepeats) {
  Names recent;
  for (const char* p : {"/a.avp", "/b.avp", "/c.avp", "/a.avp"}) recent = PushRecent(recent, p, 3);
  EXPECT_EQ(recent, (Names{"/a.avp", "/c.avp", "/b.avp"}));
  recent = PushRecent(recent, "/d.avp", 3);
  EXPECT_EQ(recent, (Names{"/d.avp", "/a.avp", "/c.avp"}));
  EXPECT_EQ(JoinRecent(recent), "/d.avp\n/a.avp\n/c.avp");
  EXPECT_EQ(SplitRecent(JoinRecent(recent)), recent);
  EXPECT_EQ(SplitRecent(""), Names{});
  EXPECT_EQ(SplitRecent("\n/x.avp\n\n"), Names{"/x.avp"});
}

TEST(ProjectDocumentTest, WhatOpensAtStart) {
  const auto exists = [](const std::string& p) { return p != "/gone.avp"; };
  struct Case {
    Names arguments;
    bool reopenLast;
    Names recent;
    StartChoice::Kind kind;
    std::string path;
  };
  using K = StartChoice::Kind;
  const Case cases[] = {
      {{}, false, {"/last.avp"}, K::None, ""},
      {{}, true, {"/last.avp", "/older.avp"}, K::OpenProject, "/last.avp"},
      {{}, true, {"/gone.avp", "/older.avp"}, K::None, ""},
      {{}, true, {}, K::None, ""},
      {{"/films/trip.avp"}, true, {"/last.avp"}, K::OpenProject, "/films/trip.avp"},
      {{"/films/TRIP.AVP"}, false, {}, K::OpenProject, "/films/TRIP.AVP"},
      {{"/lib/Sharpen.avt"}, true, {"/last.avp"}, K::EditTemplate, "/lib/Sharpen.avt"},
      {{"-style=fusion", "notes.txt", "/x.avt", "/y.avp"}, false, {}, K::EditTemplate, "/x.avt"},
      {{"notes.txt"}, true, {"/last.avp"}, K::OpenProject, "/last.avp"},
  };
  for (const Case& c : cases) {
    const StartChoice choice = ChooseStart(c.arguments, c.reopenLast, c.recent, exists);
    EXPECT_EQ(choice.kind, c.kind) << (c.arguments.empty() ? "" : c.arguments[0]);
    EXPECT_EQ(choice.path, c.path);
  }
}

}  // namespace
}  // namespace tandemix
