// Saving and reading projects: the file's exact text, the dialogs and
// prompts, and damaged files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "editfile/EditFileFormat.h"
#include "media/MovieWriter.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

// Answers the slot queries and records the slot loads, as the picture-2 and
// movie modules do.
class ResourceModule : public EffectModule {
  public:
    std::map<int16_t, std::pair<int16_t, std::string>> slots;  // slot -> value, text
    struct Load {
        int16_t kouka, slot, value;
        std::string text;
    };
    std::vector<Load> loads;

  protected:
    int32_t handle(EffArgs& args) override {
        if (args.DoNom == cmd::kResQuery) {
            auto it = slots.find(args.Button);
            if (it == slots.end()) return 1;
            args.Shift = it->second.first;
            args.ResName = it->second.second;
            return 0;
        }
        if (args.DoNom == cmd::kResLoad)
            loads.push_back({args.KoukaNom, args.Button, args.Shift, args.ResName});
        return 0;
    }
};

class EditFileTest : public test::EditorTest {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("movalux-edit-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        movie = (dir / "movie clip.avi").string();
        std::ofstream(movie) << "stand-in";  // only its existence matters here
        openPicture(test::patternPicture(32, 24), 99);
        editor.MvFName = movie;
        editor.STFlame = 5;
        editor.ENDFlame = 90;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const char* name) const { return (dir / name).string(); }
    static std::string slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void spit(const std::string& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    void read(const std::string& p) { editor.readEditFile(p, Editor::ReadOptions{false}); }

    fs::path dir;
    std::string movie;
};

TEST_F(EditFileTest, EmptyProjectIsExactlyFourLines) {
    ASSERT_EQ(editor.saveEditFileTo(path("e.txt")), 0);
    EXPECT_EQ(slurp(path("e.txt")),
              "\"MovaluxMovieFile96320\"\r\n\"" + movie + "\"\r\n5,90,0,99\r\n60\r\n");
}

TEST_F(EditFileTest, RecordsAreWrittenByFrameThenLayerWithLayerCodes) {
    editor.EffArr.at(3, 35) = EffRec{11, 1.5f, -2.25f, 0.5f, 1234567, 30, "11C:\\pics\\写真.bmp"};
    editor.EffArr.at(2, 35) = EffRec{6, 120, 80, 64, 48, 16, "0"};
    editor.EffArr.at(4, 7) = EffRec{1, 10, 10, 40, 0.5f, 50, "1"};
    editor.EffArr.at(0, 8) = EffRec{-6, 1, 1, 1, 1, 1, "neg"};  // not an effect
    editor.EffArr.at(5, 9) = EffRec{6, 1, 1, 1, 1, 1, "0"};     // swap row: never saved
    editor.EffArr.at(0, 100) = EffRec{6, 1, 1, 1, 1, 1, "0"};   // the extra last column
    ASSERT_EQ(editor.saveEditFileTo(path("r.txt")), 0);
    const std::string text = slurp(path("r.txt"));
    const std::string body = text.substr(text.find("60\r\n") + 4);
    EXPECT_EQ(body,
              "7,401,10,10,40,.5,50,\"1\"\r\n"
              "35,206,120,80,64,48,16,\"0\"\r\n"
              "35,311,1.5,-2.25,.5,1234567,30,\"11C:\\pics\\写真.bmp\"\r\n");
}

TEST_F(EditFileTest, SaveReadSaveGivesIdenticalFiles) {
    int16_t kind = 1;
    for (int layer = 0; layer < 5; ++layer)
        for (int f = 0; f < 12; ++f, kind = static_cast<int16_t>(kind % 11 + 1)) {
            const int16_t k = kind == 11 && f % 2 ? 20 : kind;
            editor.EffArr.at(layer, f * 7 + layer) =
                EffRec{k,
                       -f * 1.37f,
                       f / 3.0f,
                       1e-3f * (f + 1),
                       -123456.7f + f,
                       static_cast<int16_t>(f - 3),
                       f % 3 ? "0" : "テキスト" + std::to_string(f)};
        }
    editor.MvFName = (dir / "映像 フォルダ" / "素材.avi").string();
    ASSERT_EQ(editor.saveEditFileTo(path("a.txt")), 0);
    host.queueAnswer(msgbox::kAnswerNo);  // the movie is not there: keep the name
    read(path("a.txt"));
    ASSERT_EQ(editor.saveEditFileTo(path("b.txt")), 0);
    EXPECT_EQ(slurp(path("a.txt")), slurp(path("b.txt")));
}

TEST_F(EditFileTest, ReadingRestoresRangesRecordsAndState) {
    editor.EffArr.at(2, 35) = EffRec{6, 120, 80, 64, 48, 16, "0"};
    editor.EffArr.at(1, 3) = EffRec{4, 1, 2, 3, 4, 5, "C:\\p\\a.bmp"};
    editor.TLRows = 45;
    ASSERT_EQ(editor.saveEditFileTo(path("s.txt")), 0);

    openPicture(test::patternPicture(32, 24), 300);  // another, longer movie
    editor.STFlame = editor.ENDFlame = 0;
    editor.TLRows = 60;
    read(path("s.txt"));
    EXPECT_EQ(editor.EdFName, path("s.txt"));
    EXPECT_EQ(editor.RecFName, path("s") + "-1.avi");
    EXPECT_EQ(editor.MvFName, movie);
    EXPECT_EQ(editor.STFlame, 5);
    EXPECT_EQ(editor.ENDFlame, 90);
    EXPECT_EQ(editor.RangeST, 5);
    EXPECT_EQ(editor.RangeEND, 90);
    EXPECT_EQ(editor.MvENDFlame, 99);
    EXPECT_EQ(editor.TLRows, 45);
    EXPECT_EQ(editor.EffArr.frameCount(), 101);  // the file's range, not the movie's
    EXPECT_EQ(editor.EffArr.at(2, 35), (EffRec{6, 120, 80, 64, 48, 16, "0"}));
    EXPECT_EQ(editor.ResName, "C:\\p\\a.bmp");  // a picture record names its file
    EXPECT_EQ(editor.CurFlame, 5);
    EXPECT_EQ(editor.TLTop, 5);
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(host.labels["TextHSt"], "");
    EXPECT_GE(host.calls["SetTLine"], 1);
    EXPECT_GE(host.calls["DspSldr"], 1);
    EXPECT_EQ(panel.text("Combo3"), "マスク");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(EditFileTest, SavingMarksTheProjectSavedAndCancelsKeyFrames) {
    editor.EdSaved = kFalse;
    editor.HokanST = 4;
    host.labels["TextHSt"] = "4";
    host.queueDialogPath(path("d.txt"));
    EXPECT_EQ(editor.EDFileSave(), 0);
    ASSERT_EQ(host.dialogs.size(), 1u);
    const FileDialogRequest& req = host.dialogs[0];
    EXPECT_EQ(req.kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(req.title, "名前を付けて保存");
    EXPECT_EQ(req.filter, "TEXTﾌｧｲﾙ (*.txt)|*.txt");
    EXPECT_EQ(req.flags, 2);
    EXPECT_TRUE(req.cancelError);
    EXPECT_EQ(editor.EdFName, path("d.txt"));
    EXPECT_EQ(editor.EdSaved, kTrue);
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(host.labels["TextHSt"], "");
    EXPECT_TRUE(fs::exists(path("d.txt")));
}

TEST_F(EditFileTest, CancelledOrEmptySaveDialogWritesNothing) {
    editor.EdSaved = kFalse;
    editor.EdFName = "x.txt";
    EXPECT_EQ(editor.EDFileSave(), 32755);
    EXPECT_EQ(host.dialogs[0].fileName, "x.txt");
    host.queueDialog({FileDialogResult::Outcome::EmptyName, ""});
    EXPECT_EQ(editor.EDFileSave(), 0);
    EXPECT_EQ(editor.EdSaved, kFalse);
    EXPECT_EQ(editor.EdFName, "x.txt");
}

TEST_F(EditFileTest, ATextWithADoubleQuoteRefusesTheSaveAndKeepsTheOldFile) {
    ASSERT_EQ(editor.saveEditFileTo(path("q.txt")), 0);
    const std::string before = slurp(path("q.txt"));
    editor.EdSaved = kFalse;
    editor.EffArr.at(1, 2) = EffRec{3, 1, 1, 1, 1, 1, "say \"hi\""};
    EXPECT_NE(editor.saveEditFileTo(path("q.txt")), 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_NE(host.messages[0].text.find("say \"hi\""), std::string::npos);
    EXPECT_EQ(slurp(path("q.txt")), before);
    EXPECT_EQ(editor.EdSaved, kFalse);
}

TEST_F(EditFileTest, AFailedWriteReportsItAndKeepsTheProjectUnsaved) {
    editor.EdSaved = kFalse;
    const int16_t r = editor.saveEditFileTo(path("missing/folder.txt"));
    EXPECT_EQ(r, 76);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_EQ(editor.EdSaved, kFalse);
}

TEST_F(EditFileTest, ResourcesAreQueriedFirstAndLoadedBackThroughTheirModules) {
    ResourceModule pict2, movieModule;
    const std::string pic = path("pic.bmp");
    std::ofstream(pic) << "x";
    pict2.slots[3] = {7, "11" + pic};
    movieModule.slots[7] = {-2, "20" + movie};
    editor.registerModule(kouka::kPicture2, &pict2);
    editor.registerModule(kouka::kMovie, &movieModule);
    editor.EffArr.at(0, 1) = EffRec{6, 1, 2, 3, 4, 8, "0"};
    ASSERT_EQ(editor.saveEditFileTo(path("res.txt")), 0);
    const std::string text = slurp(path("res.txt"));
    EXPECT_NE(text.find("60\r\n0,0,3,11,0,0,7,\"11" + pic + "\"\r\n0,0,7,20,0,0,-2,\"20" + movie +
                        "\"\r\n1,6,1,2,3,4,8,\"0\"\r\n"),
              std::string::npos)
        << text;

    read(path("res.txt"));
    ASSERT_EQ(pict2.loads.size(), 1u);
    EXPECT_EQ(pict2.loads[0].kouka, 11);
    EXPECT_EQ(pict2.loads[0].slot, 3);
    EXPECT_EQ(pict2.loads[0].value, 7);
    EXPECT_EQ(pict2.loads[0].text, "11" + pic);
    ASSERT_EQ(movieModule.loads.size(), 1u);
    EXPECT_EQ(movieModule.loads[0].slot, 7);
    EXPECT_EQ(movieModule.loads[0].value, -2);
}

TEST_F(EditFileTest, AMissingResourceIsSearchedWithThePictureFilterAndStillLoaded) {
    ResourceModule movieModule;
    editor.registerModule(kouka::kMovie, &movieModule);
    spit(path("m.txt"), "\"MovaluxMovieFile96320\"\r\n\"" + movie +
                            "\"\r\n0,10,0,10\r\n60\r\n0,0,4,20,0,0,1,\"20C:\\gone\\clip.avi\"\r\n");
    // Refused search: the text stays as it was.
    host.queueAnswer(msgbox::kAnswerNo);
    read(path("m.txt"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "ファイルが見つかりません\u3000探しますか");
    EXPECT_EQ(host.messages[0].style, 308);
    ASSERT_EQ(movieModule.loads.size(), 1u);
    EXPECT_EQ(movieModule.loads[0].text, "20C:\\gone\\clip.avi");
    EXPECT_EQ(movieModule.loads[0].slot, 4);

    // Accepted search: the prefix stays, the path is the one chosen.
    host.messages.clear();
    host.queueAnswer(msgbox::kAnswerYes);
    host.queueDialogPath("/new/clip.avi");
    read(path("m.txt"));
    ASSERT_FALSE(host.dialogs.empty());
    EXPECT_EQ(host.dialogs.back().filter, "bitmap(*.bmp);JPEG(*.jpg);GIF(*.gif)|*.bmp;*.jpg;*.gif");
    EXPECT_EQ(host.dialogs.back().fileName, "C:\\gone\\clip.avi");
    EXPECT_EQ(movieModule.loads.back().text, "20/new/clip.avi");
}

TEST_F(EditFileTest, AMissingMovieIsSearchedForOrReadingStops) {
    const std::string file = path("mv.txt");
    spit(file,
         "\"MovaluxMovieFile96320\"\r\n\"C:\\old\\take.avi\"\r\n1,2,0,10\r\n60\r\n3,6,1,1,1,1,8,"
         "\"0\"\r\n");
    // Yes, then a chosen file.
    host.queueAnswer(msgbox::kAnswerYes);
    host.queueDialogPath(movie);
    read(file);
    EXPECT_EQ(editor.MvFName, movie);
    EXPECT_EQ(host.dialogs.back().filter, "AVI(*.avi);MPEG(*.mpg)|*.avi;*.mpg;*.mpeg");
    EXPECT_EQ(host.dialogs.back().title, "開く");
    EXPECT_EQ(editor.EffArr.at(0, 3).Kind, 6);

    // Yes, then the dialog cancelled: an error box, and nothing more is read.
    openPicture(test::patternPicture(32, 24), 50);
    editor.STFlame = 9;
    host.messages.clear();
    host.queueAnswer(msgbox::kAnswerYes);
    read(file);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, "エラーが発生しました(File)");
    EXPECT_EQ(editor.STFlame, 9);
    EXPECT_EQ(editor.EffArr.frameCount(), 52);
}

TEST_F(EditFileTest, CancellingTheMissingMovieSearchChangesNothing) {
    const std::string file = path("mv.txt");
    spit(file,
         "\"MovaluxMovieFile96320\"\r\n\"C:\\old\\take.avi\"\r\n1,2,0,10\r\n60\r\n3,6,1,1,1,1,8,"
         "\"0\"\r\n");
    editor.EdFName = path("mine.txt");
    editor.RecFName = path("mine-1.avi");
    editor.EffArr.at(0, 3) = EffRec{9, 1, 1, 1, 1, 8, "1"};
    editor.EdSaved = kFalse;
    host.queueAnswer(msgbox::kAnswerYes);  // search, then cancel the dialog
    EXPECT_EQ(editor.readEditFile(file, Editor::ReadOptions{false}), Editor::ReadOutcome::Stopped);
    EXPECT_EQ(editor.MvFName, movie);
    EXPECT_EQ(editor.EdFName, path("mine.txt"));
    EXPECT_EQ(editor.RecFName, path("mine-1.avi"));
    EXPECT_EQ(editor.STFlame, 5);
    EXPECT_EQ(editor.EffArr.at(0, 3), (EffRec{9, 1, 1, 1, 1, 8, "1"}));
    EXPECT_EQ(editor.EdSaved, kFalse);
    // A later save still goes where the project's own names say.
    host.queueDialogPath(path("mine.txt"));
    ASSERT_EQ(editor.EDFileSave(), 0);
    EXPECT_EQ(host.dialogs.back().fileName, path("mine.txt"));
    EXPECT_NE(slurp(path("mine.txt")).find(movie), std::string::npos);
}

TEST_F(EditFileTest, ARowCountOutsideOneToAThousandIsADamagedLine) {
    for (const char* rows : {"0", "-3", "1001", "2000000000"}) {
        host.messages.clear();
        editor.TLRows = 60;
        spit(path("rows.txt"), "\"MovaluxMovieFile96320\"\r\n\"" + movie + "\"\r\n0,10,0,10\r\n" +
                                   rows + "\r\n2,6,1,1,1,1,8,\"0\"\r\n");
        EXPECT_EQ(editor.readEditFile(path("rows.txt"), Editor::ReadOptions{false}),
                  Editor::ReadOutcome::Damaged)
            << rows;
        ASSERT_EQ(host.messages.size(), 1u) << rows;
        EXPECT_EQ(host.messages[0].text,
                  "編集ファイルが壊れています。4行目から先は読み込まれませんでした")
            << rows;
        EXPECT_EQ(editor.TLRows, 60) << rows;
    }
    for (const char* rows : {"1", "1000"}) {
        host.messages.clear();
        spit(path("rows.txt"), "\"MovaluxMovieFile96320\"\r\n\"" + movie + "\"\r\n0,10,0,10\r\n" +
                                   rows + "\r\n2,6,1,1,1,1,8,\"0\"\r\n");
        EXPECT_EQ(editor.readEditFile(path("rows.txt"), Editor::ReadOptions{false}),
                  Editor::ReadOutcome::Read);
        EXPECT_TRUE(host.messages.empty()) << rows;
        EXPECT_EQ(editor.TLRows, std::stoi(rows));
        EXPECT_EQ(editor.EffArr.at(0, 2).Kind, 6);
    }
}

TEST_F(EditFileTest, WrongMagicChangesOnlyTheNamesAndTheStatus) {
    spit(path("w.txt"), "\"movaluxmoviefile96320\"\r\n\"x.avi\"\r\n1,2,0,10\r\n60\r\n");
    editor.EffArr.at(0, 0) = EffRec{6, 1, 1, 1, 1, 8, "0"};
    read(path("w.txt"));
    EXPECT_EQ(host.labels["Label2"], "ファイルは読み込まれません");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Movaluxのファイルではありません");
    EXPECT_EQ(host.messages[0].style, 272);
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_EQ(editor.EffArr.at(0, 0).Kind, 6);
    EXPECT_EQ(editor.MvFName, movie);
    EXPECT_EQ(editor.RecFName, path("w") + "-1.avi");
}

TEST_F(EditFileTest, DamagedRecordsStopReadingWithAWarningNamingTheLine) {
    const std::string head =
        "\"MovaluxMovieFile96320\"\r\n\"" + movie + "\"\r\n0,10,0,10\r\n60\r\n";
    const char* bad[] = {
        "5,6,1,1,1,1,8,\"0\"\r\n12,6,1,1,1,1,8,\"0\"\r\n",    // frame past the timeline
        "5,6,1,1,1,1,8,\"0\"\r\n2,1106,1,1,1,1,8,\"0\"\r\n",  // layer 11
        "5,6,1,1,1,1,8,\"0\"\r\n2,6,abc,1,1,1,8,\"0\"\r\n",   // unreadable item
        "5,6,1,1,1,1,8,\"0\"\r\n2,6,1,1,1\r\n",               // line cut short
        "5,6,1,1,1,1,8,\"0\"\r\n-1,6,1,1,1,1,8,\"0\"\r\n",    // negative frame
    };
    for (const char* tail : bad) {
        host.messages.clear();
        spit(path("bad.txt"), head + tail);
        read(path("bad.txt"));
        ASSERT_EQ(host.messages.size(), 1u) << tail;
        EXPECT_EQ(host.messages[0].title, "警告");
        EXPECT_NE(host.messages[0].text.find("6行目"), std::string::npos) << host.messages[0].text;
        EXPECT_EQ(editor.EffArr.at(0, 5).Kind, 6) << tail;  // what came before stays
        EXPECT_EQ(editor.CurFlame, 0);  // and the display still jumps to the start
    }
}

TEST_F(EditFileTest, AnAbsurdFrameRangeIsDamageNotAnAllocation) {
    spit(path("big.txt"),
         "\"MovaluxMovieFile96320\"\r\n\"" + movie + "\"\r\n0,10,0,2000000000\r\n60\r\n");
    read(path("big.txt"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("3行目"), std::string::npos);
}

// A short file may declare a million frames: the timeline, its undo copies
// and a save of it must not cost memory for the frames that hold nothing.
TEST_F(EditFileTest, AMillionEmptyFramesCostAlmostNoMemory) {
    spit(path("long.txt"), "\"MovaluxMovieFile96320\"\r\n\"" + movie +
                               "\"\r\n0,999998,0,999998\r\n60\r\n500000,6,1,2,3,4,8,\"0\"\r\n");
    read(path("long.txt"));
    ASSERT_TRUE(host.messages.empty()) << host.messages[0].text;
    ASSERT_EQ(editor.EffArr.frameCount(), 1000000);
    EXPECT_EQ(editor.EffArr.at(0, 500000).Kind, 6);
    for (int16_t layer = 0; layer < 4; ++layer) {
        editor.SelLay = layer;
        editor.takeUndoStep(undocode::kEffects);
        editor.EffArr.at(layer, 1000 * layer) = EffRec{9, 1, 1, 1, 1, 0, "0"};
    }
    const size_t held = editor.EffArr.bytesHeld() + editor.UndoArr.bytesHeld();
    EXPECT_LT(held, size_t{4} << 20) << held;
    editor.GoUndo();
    EXPECT_EQ(editor.EffArr.at(3, 3000).Kind, 0);
    EXPECT_EQ(editor.EffArr.at(2, 2000).Kind, 9);
    ASSERT_EQ(editor.saveEditFileTo(path("again.txt")), 0);
    EXPECT_NE(slurp(path("again.txt")).find("500000,6,1,2,3,4,8,"), std::string::npos);
    EXPECT_LT(editor.EffArr.bytesHeld() + editor.UndoArr.bytesHeld(), size_t{4} << 20);
}

TEST_F(EditFileTest, ReadsCp932FilesAndForwardSlashOrBackslashPaths) {
    // "マスク" as a text and a CP932 movie name, with LF line ends.
    spit(path("sj.txt"),
         "\"MovaluxMovieFile96320\"\n\"C:\\\x83\x7D.avi\"\n0,10,0,10\n60\n2,6,1,1,1,1,8,"
         "\"\x83\x7D\x83\x58\x83\x4E\"\n");
    host.queueAnswer(msgbox::kAnswerNo);
    read(path("sj.txt"));
    EXPECT_EQ(editor.MvFName, "C:\\マ.avi");
    EXPECT_EQ(editor.EffArr.at(0, 2).Text, "マスク");
    EXPECT_EQ(FileTitle(editor.MvFName), "マ.avi");
    ASSERT_EQ(editor.saveEditFileTo(path("utf8.txt")), 0);
    EXPECT_NE(slurp(path("utf8.txt")).find("\"マスク\"\r\n"), std::string::npos);
}

TEST_F(EditFileTest, OpeningAnotherFileOffersToSaveUnsavedWorkFirst) {
    ASSERT_EQ(editor.saveEditFileTo(path("other.txt")), 0);
    editor.EffArr.at(0, 3) = EffRec{6, 1, 1, 9, 9, 8, "0"};
    editor.EdSaved = kFalse;
    host.queueAnswer(msgbox::kAnswerCancel);
    editor.mnuEdFileOpen_Click();
    EXPECT_TRUE(host.dialogs.empty());  // cancelled before the open dialog
    EXPECT_EQ(editor.EffArr.at(0, 3).Kind, 6);

    // The other file's movie must open for the file to replace the work.
    {
        MovieWriterOptions o;
        o.width = 32;
        o.height = 24;
        o.videoCodec = "mpeg4";
        auto writer = MovieWriter::create(movie, o);
        ASSERT_TRUE(writer) << writer.error();
        Surface s(32, 24);
        for (int n = 0; n < 100; ++n) ASSERT_TRUE((*writer)->writeFrame(s));
        ASSERT_TRUE((*writer)->finish());
    }
    host.queueAnswer(msgbox::kAnswerNo);
    host.queueDialogPath(path("other.txt"));
    editor.mnuEdFileOpen_Click();
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0].title, "開く");
    EXPECT_EQ(editor.EffArr.at(0, 3).Kind, 0);  // the other file replaced the work
}

TEST_F(EditFileTest, TheCloseAndReleasePromptFollowsTheAnswers) {
    editor.EdSaved = kTrue;
    EXPECT_TRUE(editor.Form_Unload());
    EXPECT_TRUE(host.messages.empty());

    editor.EdSaved = kFalse;
    host.queueAnswer(msgbox::kAnswerCancel);
    EXPECT_FALSE(editor.Form_Unload());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "現在の編集ファイルは保存していません。保存しますか？");
    EXPECT_EQ(host.messages[0].style, 307);
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_EQ(editor.MsgStyle, "307");

    host.queueAnswer(msgbox::kAnswerNo);
    EXPECT_TRUE(editor.confirmDropUnsaved());
    EXPECT_FALSE(fs::exists(editor.EdFName));

    host.queueAnswer(msgbox::kAnswerYes);  // then the save dialog is cancelled
    EXPECT_FALSE(editor.Form_Unload());

    host.queueAnswer(msgbox::kAnswerYes);
    host.queueDialogPath(path("end.txt"));
    EXPECT_TRUE(editor.Form_Unload());
    EXPECT_TRUE(fs::exists(path("end.txt")));
    EXPECT_EQ(editor.EdSaved, kTrue);
}

}  // namespace
}  // namespace movalux
