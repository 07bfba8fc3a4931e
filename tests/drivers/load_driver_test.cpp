#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "driver_test_support.h"
#include "imagefile/image_file.h"

namespace {

using LoadDriverTest = DriverTest;

const char* const kLoadedHeading = "\n\nData loaded at the following positions:\n\n";

std::string AreaLine(uint32_t nFirst, uint32_t nLast) {
    char szLine[64];
    std::snprintf(szLine, sizeof szLine, " H'%08X - H'%08X\n", nFirst, nLast);
    return szLine;
}

// Separate areas of four bytes each, one S1 line per area, 0x10 apart.
std::string SeparateAreas(int nCount) {
    std::string text;
    for (int i = 0; i < nCount; ++i) text += SRecordLine(1, 0x100 + 0x10 * i, {1, 2, 3, 4});
    return text;
}

// --- Runs and areas ---------------------------------------------------------

TEST_F(LoadDriverTest, ContiguousRecordsAreStoredInRunsOfAtMost500BytesAndListedAsOneArea) {
    const Bytes data = Pattern(1000);
    const std::string path = WriteFile("prog.mot", S1Lines(0x1000, data, 16) + SRecordLine(9, 0, {}));
    CRunRecordingImage image;
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), &image, 0));

    const std::vector<std::pair<uint32_t, int32_t>> runs = {{0x1000, 496}, {0x11F0, 496}, {0x13E0, 8}};
    EXPECT_EQ(runs, image.m_runs);
    EXPECT_EQ(data, ReadImage(image, 0x1000, 1000));
    EXPECT_EQ(std::string("Module : ") + kLoadedHeading + AreaLine(0x1000, 0x13E7) +
                  "\n1000 bytes loaded in T seconds\n",
              WithoutTime(file.GetReport()));
}

TEST_F(LoadDriverTest, RunHoldsExactly500BytesButNotOneMore) {
    const Bytes data = Pattern(600);
    const std::string path = WriteFile("prog.mot", S1Lines(0, data, 100));
    CRunRecordingImage image;
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), &image, 0));

    const std::vector<std::pair<uint32_t, int32_t>> runs = {{0, 500}, {500, 100}};
    EXPECT_EQ(runs, image.m_runs);
}

// A load's runs are its undo steps, of at most 500 bytes each; counted when
// the report shows, the last moment that the load's history is there.
TEST_F(LoadDriverTest, EveryRunOfAtMost500BytesIsOneUndoStep) {
    const struct {
        std::vector<size_t> records;
        int nSteps;
    } cases[] = {{{100, 100, 100, 100, 100}, 1}, {{100, 100, 100, 100, 100, 1}, 2}, {{250, 250, 250, 250, 1}, 3}};
    for (const auto& c : cases) {
        std::string text;
        uint32_t nAddress = 0x1000;
        for (size_t nLength : c.records) {
            text += SRecordLine(1, nAddress, Pattern(nLength));
            nAddress += static_cast<uint32_t>(nLength);
        }
        auto image = NewImage();
        int nSteps = 0;
        m_host.m_onBox = [&](const std::string&) {
            for (; image->m_undoStore.m_nCount > 0 && nSteps < 100; ++nSteps) image->UndoLastStep();
        };
        CImageFile file;
        file.m_bShowReport = 1;
        ASSERT_EQ(1, file.Load(WriteFile("prog.mot", text).c_str(), image.get(), 0));
        m_host.m_onBox = nullptr;
        EXPECT_EQ(c.nSteps, nSteps) << c.records.size() << " records";
    }
}

TEST_F(LoadDriverTest, TheReportTimesTheLoad) {
    auto image = NewImage();
    CImageFile file;
    ASSERT_EQ(1, file.Load(WriteFile("prog.mot", S1Lines(0, Pattern(4000), 16)).c_str(), image.get(), 0));
    const std::string& report = file.GetReport();
    const double dSeconds = std::atof(report.c_str() + report.rfind(" in ") + 4);
    EXPECT_GE(dSeconds, 0.0);
    EXPECT_LT(dSeconds, 60.0) << report;
}

TEST_F(LoadDriverTest, OneByteGapStartsNewArea) {
    const std::string path =
        WriteFile("prog.mot", SRecordLine(1, 0x100, Pattern(16)) + SRecordLine(1, 0x111, Pattern(16)));
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), image.get(), 0));

    EXPECT_NE(std::string::npos, file.GetReport().find(AreaLine(0x100, 0x10F) + AreaLine(0x111, 0x120)));
}

TEST_F(LoadDriverTest, RecordBelowThePreviousOneStartsNewAreaEvenWhenOverlapping) {
    const std::string path =
        WriteFile("prog.mot", SRecordLine(1, 0x108, Pattern(16, 1)) + SRecordLine(1, 0x100, Pattern(16, 2)));
    CRunRecordingImage image;
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), &image, 0));

    EXPECT_EQ(2u, image.m_runs.size());
    EXPECT_NE(std::string::npos, file.GetReport().find(AreaLine(0x108, 0x117) + AreaLine(0x100, 0x10F)));
    EXPECT_EQ(Pattern(16, 2), ReadImage(image, 0x100, 16));
}

TEST_F(LoadDriverTest, ThirtyOneAreasListThirtyAndWhereTheAreasReach) {
    const std::string path = WriteFile("prog.mot", SeparateAreas(31));
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), image.get(), 0));

    const std::string& report = file.GetReport();
    EXPECT_NE(std::string::npos, report.find(AreaLine(0x100 + 0x10 * 29, 0x100 + 0x10 * 29 + 3)));
    EXPECT_EQ(std::string::npos, report.find(AreaLine(0x100 + 0x10 * 30, 0x100 + 0x10 * 30 + 3)));
    EXPECT_NE(std::string::npos, report.find(" Areas up to - H'000002E3\n\n124 bytes loaded"));
}

TEST_F(LoadDriverTest, AreasUpToLineAppearsAtExactlyThirtyAreasOnly) {
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(WriteFile("thirty.mot", SeparateAreas(30)).c_str(), image.get(), 0));
    EXPECT_NE(std::string::npos, file.GetReport().find(" Areas up to - H'000002D3\n"));

    ASSERT_EQ(1, file.Load(WriteFile("twentynine.mot", SeparateAreas(29)).c_str(), image.get(), 0));
    EXPECT_EQ(std::string::npos, file.GetReport().find("Areas up to"));
}

TEST_F(LoadDriverTest, AreasUpToLineNamesTheTopOfTheAddressSpaceWhenTheDataReachesIt) {
    const std::string path =
        WriteFile("prog.mot", SeparateAreas(29) + SRecordLine(3, 0xFFFFFFF0, Pattern(16)));
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), image.get(), 0));

    EXPECT_NE(std::string::npos,
              file.GetReport().find(AreaLine(0xFFFFFFF0, 0xFFFFFFFF) + " Areas up to - H'FFFFFFFF\n"));
}

// --- File kinds and headers -------------------------------------------------

TEST_F(LoadDriverTest, ModuleNameComesFromTheS0Line) {
    const std::string path =
        WriteFile("prog.mot", SRecordLine(0, 0, {'K', 'E', 'R', 'N'}) + SRecordLine(1, 0x100, Pattern(32)) +
                                  SRecordLine(9, 0, {}));
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), image.get(), 0));

    EXPECT_EQ(std::string("Module : KERN") + kLoadedHeading + AreaLine(0x100, 0x11F) +
                  "\n32 bytes loaded in T seconds\n",
              WithoutTime(file.GetReport()));
}

TEST_F(LoadDriverTest, EmptyOrHeaderOnlySRecordFileLoadsNothingAndSucceeds) {
    for (const std::string& content : {std::string(), SRecordLine(0, 0, {'A'}) + SRecordLine(9, 0, {})}) {
        auto image = NewImage();
        CImageFile file;
        ASSERT_EQ(1, file.Load(WriteFile("empty.mot", content).c_str(), image.get(), 0));
        EXPECT_NE(std::string::npos, file.GetReport().find("\n0 bytes loaded in ")) << file.GetReport();
        EXPECT_FALSE(image->HasData());
        EXPECT_TRUE(m_host.m_events.empty());
    }
}

TEST_F(LoadDriverTest, LinesAfterTheEndLineAreNotRead) {
    const std::string path = WriteFile("prog.mot", SRecordLine(1, 0x100, {1}) + SRecordLine(9, 0, {}) +
                                                       "garbage\n" + SRecordLine(1, 0x200, {2}));
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), image.get(), 0));

    EXPECT_EQ(0x100u, image->GetHighestAddress());
    EXPECT_TRUE(m_host.m_events.empty());
}

TEST_F(LoadDriverTest, CdeFileLoadsFromAddressZeroAsOneArea) {
    const Bytes data = Pattern(1234, 7);
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(WriteFile("kernel.cde", data).c_str(), image.get(), 0));

    EXPECT_EQ(data, ReadImage(*image, 0, 1234));
    EXPECT_EQ(std::string("Module : kernel.cde") + kLoadedHeading + AreaLine(0, 0x4D1) +
                  "\n1234 bytes loaded in T seconds\n",
              WithoutTime(file.GetReport()));
}

TEST_F(LoadDriverTest, FprRecordsLoadAtTheirAddresses) {
    const std::string content =
        "00001000"
        "00000004"
        "\x01\x02\x03\x04"
        "00002000"
        "00000002"
        "\x05\x06";
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(WriteFile("prog.fpr", content).c_str(), image.get(), 0));

    EXPECT_EQ(Bytes({1, 2, 3, 4}), ReadImage(*image, 0x1000, 4));
    EXPECT_EQ(Bytes({5, 6}), ReadImage(*image, 0x2000, 2));
    EXPECT_EQ(std::string("Module : prog.fpr") + kLoadedHeading + AreaLine(0x1000, 0x1003) +
                  AreaLine(0x2000, 0x2001) + "\n6 bytes loaded in T seconds\n",
              WithoutTime(file.GetReport()));
}

TEST_F(LoadDriverTest, FinishedLoadLeavesNoHistoryToUndo) {
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(WriteFile("prog.mot", SRecordLine(1, 0x100, {1, 2})).c_str(), image.get(), 0));

    EXPECT_FALSE(image->HasHistory());
}

// --- Files that are not S-records -------------------------------------------

TEST_F(LoadDriverTest, MalformedFirstLineAnsweredOkLoadsTheWholeFileRawFromZero) {
    const std::string content = "this is no S-record\n" + SRecordLine(1, 0x100, {1, 2});
    const std::string path = WriteFile("prog.mot", content);
    auto image = NewImage();
    CImageFile file;
    m_host.QueueAnswer(kAnswerOk);

    ASSERT_EQ(1, file.Load(path.c_str(), image.get(), 0));

    const Bytes expected(content.begin(), content.end());
    EXPECT_EQ(expected, ReadImage(*image, 0, static_cast<uint32_t>(expected.size())));
    EXPECT_EQ(expected.size() - 1, image->GetHighestAddress());
    ASSERT_EQ(2u, m_host.m_events.size());
    EXPECT_EQ("diagnostic", m_host.m_events[0].kind);
    EXPECT_EQ(0u, m_host.m_events[0].text.rfind(path + ":1: ", 0)) << m_host.m_events[0].text;
    EXPECT_EQ("question", m_host.m_events[1].kind);
    EXPECT_EQ("This file is not an SRecord.  Load anyway?", m_host.m_events[1].text);
    EXPECT_EQ(std::string("Module : prog.mot") + kLoadedHeading + AreaLine(0, expected.size() - 1) + "\n" +
                  std::to_string(expected.size()) + " bytes loaded in T seconds\n",
              WithoutTime(file.GetReport()));
}

TEST_F(LoadDriverTest, MalformedFirstLineAnsweredCancelFailsAndLeavesTheImageAlone) {
    auto image = NewImage();
    Fill(*image, 0, Pattern(64, 9));
    CImageFile file;
    m_host.QueueAnswer(kAnswerCancel);

    EXPECT_EQ(0, file.Load(WriteFile("prog.mot", "S1 nonsense\n").c_str(), image.get(), 0));

    EXPECT_EQ(Pattern(64, 9), ReadImage(*image, 0, 64));
    EXPECT_EQ(63u, image->GetHighestAddress());
    EXPECT_EQ(std::vector<std::string>{"This file is not an SRecord.  Load anyway?"},
              m_host.Texts("question"));
}

TEST_F(LoadDriverTest, BadLineLaterRevertsWhatTheGoodLinesStoredAndNamesTheLine) {
    auto image = NewImage();
    Fill(*image, 0x100, Pattern(16, 3));
    std::string badLine = SRecordLine(1, 0x300, {1, 2, 3});
    badLine[badLine.size() - 2] ^= 1;  // wrong checksum
    const std::string path =
        WriteFile("prog.mot", SRecordLine(1, 0x100, Pattern(16, 5)) + SRecordLine(1, 0x200, {1}) + badLine);
    CImageFile file;

    EXPECT_EQ(0, file.Load(path.c_str(), image.get(), 0));

    EXPECT_EQ(Pattern(16, 3), ReadImage(*image, 0x100, 16));
    EXPECT_EQ(0x10Fu, image->GetHighestAddress());
    EXPECT_FALSE(image->HasMarks());
    ASSERT_EQ(1u, m_host.Texts("diagnostic").size());
    EXPECT_EQ(0u, m_host.Texts("diagnostic")[0].rfind(path + ":3: ", 0)) << m_host.Texts("diagnostic")[0];
}

TEST_F(LoadDriverTest, LoadRawTakesAnyFileAsBytesFromAddressZero) {
    const std::string content = SRecordLine(1, 0x100, {1, 2});
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.LoadRaw(WriteFile("prog.mot", content).c_str(), image.get(), 0));

    EXPECT_EQ(Bytes(content.begin(), content.end()),
              ReadImage(*image, 0, static_cast<uint32_t>(content.size())));
    EXPECT_EQ(kKindRaw, file.m_nKind);
}

// --- Cancel and progress ----------------------------------------------------

TEST_F(LoadDriverTest, CancelFromTheStatusBarRevertsTheImageAndSaysSo) {
    auto image = NewImage();
    Fill(*image, 0x1000, Pattern(100, 4));
    const std::string path = WriteFile("prog.mot", S1Lines(0x1000, Pattern(3000), 16));
    CImageFile file;
    int nPercentShown = 0;
    m_host.m_onPaneText = [&](int nPane, const std::string&) {
        if (nPane == 1 && ++nPercentShown == 3) file.Cancel();
    };

    ASSERT_EQ(1, file.Load(path.c_str(), image.get(), 1));

    EXPECT_EQ(Pattern(100, 4), ReadImage(*image, 0x1000, 100));
    EXPECT_EQ(0x1063u, image->GetHighestAddress());
    EXPECT_EQ(std::vector<std::string>{"Data Load Aborted."}, m_host.Texts("box"));
    EXPECT_EQ(std::string::npos, file.GetReport().find("bytes loaded"));
    EXPECT_EQ(100, file.GetProgress());
}

TEST_F(LoadDriverTest, StatusBarShowsFileNameAndRisingPercentagesThenIsCleared) {
    const std::string path = WriteFile("prog.mot", S1Lines(0, Pattern(1984), 16));
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), image.get(), 1));

    const std::vector<CRecordingHost::CEvent>& events = m_host.m_events;
    ASSERT_GE(events.size(), 9u);
    EXPECT_EQ("style", events[0].kind);
    EXPECT_EQ("1", events[0].text);
    EXPECT_EQ("pane0", events[1].kind);
    EXPECT_EQ("Loading File prog.mot", events[1].text);
    EXPECT_EQ("repaint", events[2].kind);
    const std::vector<std::string> percents = m_host.Texts("pane1");
    ASSERT_EQ(4u + 2u, percents.size());  // one per run, then 100% and the emptied pane
    EXPECT_EQ("0%", percents.front());
    for (size_t i = 1; i + 1 < percents.size(); ++i)
        EXPECT_LE(std::stoi(percents[i - 1]), std::stoi(percents[i]));
    EXPECT_EQ("100%", percents[percents.size() - 2]);
    EXPECT_EQ("", percents.back());
    EXPECT_EQ("pane0", events[events.size() - 2].kind);
    EXPECT_EQ("", events[events.size() - 2].text);
    EXPECT_EQ("repaint", events.back().kind);
    EXPECT_EQ(100, file.GetProgress());
}

TEST_F(LoadDriverTest, WithoutProgressOrStatusBarNothingIsShownButTheReportIsComposed) {
    const std::string path = WriteFile("prog.mot", SRecordLine(1, 0x100, {1, 2}));
    auto image = NewImage();
    CImageFile quiet;
    ASSERT_EQ(1, quiet.Load(path.c_str(), image.get(), 0));

    CRecordingHost noBar(false);
    SetHost(&noBar);
    CImageFile barless;
    ASSERT_EQ(1, barless.Load(path.c_str(), image.get(), 1));
    SetHost(&m_host);

    EXPECT_TRUE(m_host.m_events.empty());
    EXPECT_TRUE(noBar.m_events.empty());
    EXPECT_NE(std::string::npos, quiet.GetReport().find("\n2 bytes loaded in "));
    EXPECT_EQ(quiet.GetReport().substr(0, 40), barless.GetReport().substr(0, 40));
}

TEST_F(LoadDriverTest, ShowReportShowsTheReportInABox) {
    auto image = NewImage();
    CImageFile file;
    file.m_bShowReport = 1;

    ASSERT_EQ(1, file.Load(WriteFile("prog.mot", SRecordLine(1, 0x100, {1})).c_str(), image.get(), 0));

    EXPECT_EQ(std::vector<std::string>{file.GetReport()}, m_host.Texts("box"));
}

// --- Failures and data that does not fit ------------------------------------

TEST_F(LoadDriverTest, MissingFileOrNoImageFailsWithoutAMessage) {
    auto image = NewImage();
    CImageFile file;

    EXPECT_EQ(0, file.Load(PathOf("missing.mot").c_str(), image.get(), 1));
    EXPECT_EQ(0, file.Load(WriteFile("prog.mot", SRecordLine(1, 0, {1})).c_str(), nullptr, 1));
    std::filesystem::create_directory(PathOf("dir.mot"));
    EXPECT_EQ(0, file.Load(PathOf("dir.mot").c_str(), image.get(), 1));

    EXPECT_TRUE(m_host.m_events.empty());
    EXPECT_FALSE(image->HasData());
}

TEST_F(LoadDriverTest, RunLeavingAFixedRangeCountsOnlyWhatFitsAndSaysNotAllLoaded) {
    auto image = CMemoryImage::Create(0x100);
    CImageFile file;

    ASSERT_EQ(1, file.Load(WriteFile("prog.mot", SRecordLine(1, 0xF0, Pattern(32))).c_str(), image.get(), 0));

    EXPECT_EQ(std::string("Module : ") + kLoadedHeading + AreaLine(0xF0, 0xFF) +
                  "\n16 bytes loaded in T seconds\n\nNot all the file data could be loaded\n",
              WithoutTime(file.GetReport()));
    EXPECT_TRUE(file.HasDataLost());
}

TEST_F(LoadDriverTest, RunRefusedByAFullBlockTableSaysNotAllLoadedAndLeavesTheFlagsSet) {
    const std::string path = WriteFile(
        "prog.mot", SRecordLine(1, 0x100, {1}) + SRecordLine(1, 0x200, {2}) + SRecordLine(1, 0x300, {3}));
    CRunRecordingImage image;
    image.m_nLostFirst = image.m_nLostLast = 0x200;
    CImageFile file;

    ASSERT_EQ(1, file.Load(path.c_str(), &image, 0));

    EXPECT_EQ(3u, image.m_runs.size());
    EXPECT_TRUE(file.HasDataLost());
    EXPECT_TRUE(image.HasDataLost());
    const std::string tail = "\nNot all the file data could be loaded\n";
    const std::string& report = file.GetReport();
    ASSERT_GT(report.size(), tail.size());
    EXPECT_EQ(tail, report.substr(report.size() - tail.size()));
}

TEST_F(LoadDriverTest, MoreSeparateAreasThanABlockTableHoldsAreNotAllLoaded) {
    std::string content;
    const uint32_t nAreas = kMaxBlocksPerTable + 1;
    content.reserve(nAreas * 17);
    for (uint32_t i = 0; i < nAreas; ++i) content += SRecordLine(3, 2 * i, {0x5A});
    auto image = NewImage();
    CImageFile file;

    ASSERT_EQ(1, file.Load(WriteFile("many.mot", content).c_str(), image.get(), 0));

    EXPECT_TRUE(file.HasDataLost());
    EXPECT_TRUE(image->HasDataLost());
    EXPECT_NE(std::string::npos, file.GetReport().find("\nNot all the file data could be loaded\n"));
}

TEST_F(LoadDriverTest, LoadStartsWithTheImagesLostFlagCleared) {
    auto image = std::make_unique<CRunRecordingImage>();
    image->SetDataLost();
    CImageFile file;

    ASSERT_EQ(1, file.Load(WriteFile("prog.mot", SRecordLine(1, 0x100, {1})).c_str(), image.get(), 0));

    EXPECT_FALSE(image->HasDataLost());
    EXPECT_FALSE(file.HasDataLost());
    EXPECT_EQ(std::string::npos, file.GetReport().find("Not all"));
}

TEST_F(LoadDriverTest, BytesBeyondTheTopOfTheAddressSpaceAreDroppedNotWrapped) {
    const std::string srecords = SRecordLine(3, 0xFFFFFFF8, Pattern(16, 1));
    const std::string fpr = std::string("FFFFFFFC") + "00000008" + "ABCDEFGH";
    const std::string intelHex = ":02000004FFFFFC\n:08FFFC000102030405060708D9\n";
    for (const auto& [name, content, nLoaded] :
         {std::make_tuple("top.mot", srecords, 8u), std::make_tuple("top.fpr", fpr, 4u),
          std::make_tuple("top.hex", intelHex, 4u)}) {
        auto image = NewImage();
        CImageFile file;
        ASSERT_EQ(1, file.Load(WriteFile(name, content).c_str(), image.get(), 0)) << name;

        uint32_t nFirst = 0;
        uint32_t nLast = 0;
        ASSERT_NE(-1, image->NextArea(-1, 0, nFirst, nLast)) << name;
        EXPECT_EQ(0xFFFFFFFFu - nLoaded + 1, nFirst) << name;
        EXPECT_EQ(0xFFFFFFFFu, nLast) << name;
        EXPECT_TRUE(file.HasDataLost()) << name;
        EXPECT_NE(std::string::npos, file.GetReport().find(AreaLine(0xFFFFFFFFu - nLoaded + 1, 0xFFFFFFFF) +
                                                           "\n" + std::to_string(nLoaded) + " bytes loaded"))
            << name;
        EXPECT_NE(std::string::npos, file.GetReport().find("Not all the file data could be loaded")) << name;
    }
}

}  // namespace
