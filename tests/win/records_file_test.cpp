// The record folder and file on a real file system: what reaches the disk,
// and that a save which could not write says so.
#include "engine/text.h"
#include "ui/records.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char BOM[] = "\xEF\xBB\xBF";
const wchar_t HEADER[] = L"时间,工具,体重,脱水程度,结果\r\n";
const char HEADER_UTF8[] = "时间,工具,体重,脱水程度,结果\r\n";
const wchar_t ROW_A[] = L"2025-03-01 09:41:07,Varnel,体重=15,脱水程度=5,累积损失：750 ml\r\n\r\n";
const char ROW_A_UTF8[] = "2025-03-01 09:41:07,Varnel,体重=15,脱水程度=5,累积损失：750 ml\r\n\r\n";
const wchar_t ROW_B[] = L"2025-03-01 09:42:00,Varnel,体重=0.1,脱水程度=1e+06,x\r\n";
const char ROW_B_UTF8[] = "2025-03-01 09:42:00,Varnel,体重=0.1,脱水程度=1e+06,x\r\n";

// A fresh folder of its own for each test, removed afterwards.
class RecordFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root =
            fs::temp_directory_path() / (L"telm-records-" + std::to_wstring(GetCurrentProcessId()) +
                                         L"-" + fs::path(info->name()).wstring());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    static std::string bytesOf(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void writeBytes(const fs::path& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }

    fs::path root;
};

TEST_F(RecordFiles, CreatesEveryLevelOfTheFolder) {
    const fs::path folder = root / L"AppData" / L"Local" / L"TelmMedSuite" / L"records";
    EXPECT_TRUE(createRecordFolder(folder.wstring().c_str()));
    EXPECT_TRUE(fs::is_directory(folder));
    // A second call finds it standing and succeeds again.
    EXPECT_TRUE(createRecordFolder(folder.wstring().c_str()));
}

TEST_F(RecordFiles, FolderBlockedByAPlainFileFails) {
    writeBytes(root / L"TelmMedSuite", "not a folder");
    EXPECT_FALSE(createRecordFolder((root / L"TelmMedSuite" / L"records").wstring().c_str()));
    writeBytes(root / L"records", "not a folder");
    EXPECT_FALSE(createRecordFolder((root / L"records").wstring().c_str()));
    EXPECT_FALSE(createRecordFolder(L""));
    EXPECT_FALSE(createRecordFolder(nullptr));
}

TEST_F(RecordFiles, NewFileGetsMarkHeaderAndRow) {
    const fs::path file = root / L"T021.csv";
    ASSERT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_A));
    EXPECT_EQ(bytesOf(file), std::string(BOM) + HEADER_UTF8 + ROW_A_UTF8);
}

TEST_F(RecordFiles, SecondSaveAddsOneRowAndNothingElse) {
    const fs::path file = root / L"T021.csv";
    ASSERT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_A));
    ASSERT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_B));
    EXPECT_EQ(bytesOf(file), std::string(BOM) + HEADER_UTF8 + ROW_A_UTF8 + ROW_B_UTF8);
}

TEST_F(RecordFiles, ExistingFileGetsNoSecondHeader) {
    // Whatever an existing file holds stays first; only the row is added.
    const fs::path file = root / L"T021.csv";
    const std::string earlier = std::string(BOM) + "old header\r\nold row\r\n";
    writeBytes(file, earlier);
    ASSERT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_B));
    EXPECT_EQ(bytesOf(file), earlier + ROW_B_UTF8);
}

TEST_F(RecordFiles, EmptyExistingFileGetsMarkAndHeader) {
    const fs::path file = root / L"T021.csv";
    writeBytes(file, "");
    ASSERT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_B));
    EXPECT_EQ(bytesOf(file), std::string(BOM) + HEADER_UTF8 + ROW_B_UTF8);
}

TEST_F(RecordFiles, FileHeldWithoutSharingFailsAndStaysUntouched) {
    const fs::path file = root / L"T021.csv";
    ASSERT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_A));
    HANDLE holder = CreateFileW(file.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_B));
    CloseHandle(holder);
    EXPECT_EQ(bytesOf(file), std::string(BOM) + HEADER_UTF8 + ROW_A_UTF8);
}

TEST_F(RecordFiles, PathThatIsAFolderOrMissingFails) {
    fs::create_directories(root / L"T021.csv");
    EXPECT_FALSE(appendRecordRow((root / L"T021.csv").wstring().c_str(), HEADER, ROW_A));
    EXPECT_FALSE(
        appendRecordRow((root / L"missing" / L"T021.csv").wstring().c_str(), HEADER, ROW_A));
    EXPECT_FALSE(fs::exists(root / L"missing"));
    EXPECT_FALSE(appendRecordRow(L"", HEADER, ROW_A));
}

TEST_F(RecordFiles, LongestRowOfWideCharactersIsWrittenWhole) {
    // 4093 units of three UTF-8 bytes each, plus CR LF: the largest row that
    // the row buffer can hold, and three times its unit count in bytes.
    const std::wstring row = std::wstring(RECORD_ROW_CAPACITY - 3, L'水') + L"\r\n";
    std::string expected;
    for (int32_t i = 0; i < RECORD_ROW_CAPACITY - 3; ++i) {
        expected += "水";
    }
    expected += "\r\n";
    const fs::path file = root / L"T021.csv";
    ASSERT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, row.c_str()));
    EXPECT_EQ(bytesOf(file), std::string(BOM) + HEADER_UTF8 + expected);
}

// Locks every byte a file can have, as a program guarding the whole file does.
bool lockWholeFile(HANDLE file, OVERLAPPED& where) {
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                      MAXDWORD, &where);
}

TEST_F(RecordFiles, SaveWaitsForABrieflyHeldLock) {
    const fs::path file = root / L"T021.csv";
    ASSERT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_A));
    HANDLE other = CreateFileW(file.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    OVERLAPPED where = {};
    ASSERT_TRUE(lockWholeFile(other, where));
    std::thread release([&] {
        Sleep(300);
        UnlockFileEx(other, 0, MAXDWORD, MAXDWORD, &where);
    });
    EXPECT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_B));
    release.join();
    CloseHandle(other);
    EXPECT_EQ(bytesOf(file), std::string(BOM) + HEADER_UTF8 + ROW_A_UTF8 + ROW_B_UTF8);
}

TEST_F(RecordFiles, LockThatIsNeverReleasedFailsTheSave) {
    const fs::path file = root / L"T021.csv";
    ASSERT_TRUE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_A));
    HANDLE other = CreateFileW(file.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    OVERLAPPED where = {};
    ASSERT_TRUE(lockWholeFile(other, where));
    EXPECT_FALSE(appendRecordRow(file.wstring().c_str(), HEADER, ROW_B));
    CloseHandle(other);
    EXPECT_EQ(bytesOf(file), std::string(BOM) + HEADER_UTF8 + ROW_A_UTF8);
}

TEST_F(RecordFiles, SaversRacingToCreateTheFileWriteOneHeader) {
    constexpr int ROUNDS = 40;
    constexpr int SAVERS = 4;
    for (int round = 0; round < ROUNDS; ++round) {
        const std::wstring path = (root / (L"T" + std::to_wstring(round) + L".csv")).wstring();
        std::atomic<int> ready = 0;
        std::vector<std::thread> savers;
        for (int s = 0; s < SAVERS; ++s) {
            savers.emplace_back([&] {
                // All savers start together, so that they meet at the empty file.
                ++ready;
                while (ready < SAVERS) {
                    std::this_thread::yield();
                }
                EXPECT_TRUE(appendRecordRow(path.c_str(), HEADER, ROW_B));
            });
        }
        for (auto& saver : savers) {
            saver.join();
        }
        std::string expected = std::string(BOM) + HEADER_UTF8;
        for (int s = 0; s < SAVERS; ++s) {
            expected += ROW_B_UTF8;
        }
        ASSERT_EQ(bytesOf(path), expected) << "round " << round;
    }
}

TEST_F(RecordFiles, ConcurrentSaversLeaveOneHeaderAndWholeRows) {
    // Each saver opens its own handle, as separate program instances do.
    constexpr int SAVERS = 4;
    constexpr int ROWS_EACH = 150;
    const std::wstring path = (root / L"T021.csv").wstring();
    std::vector<std::thread> savers;
    for (int s = 0; s < SAVERS; ++s) {
        savers.emplace_back([&path, s] {
            // Rows of different lengths, so that a torn write shows.
            const std::wstring row = L"saver" + std::to_wstring(s) + L"," +
                                     std::wstring(40 + 300 * s, L'a' + s) + L"\r\n";
            for (int i = 0; i < ROWS_EACH; ++i) {
                EXPECT_TRUE(appendRecordRow(path.c_str(), HEADER, row.c_str()));
            }
        });
    }
    for (auto& saver : savers) {
        saver.join();
    }
    const std::string bytes = bytesOf(path);
    const std::string lead = std::string(BOM) + HEADER_UTF8;
    ASSERT_EQ(bytes.substr(0, lead.size()), lead);
    int counts[SAVERS] = {};
    size_t start = lead.size();
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = bytes.substr(start, end - start);
        const int s = line.size() > 5 ? line[5] - '0' : -1;
        ASSERT_TRUE(s >= 0 && s < SAVERS) << line.substr(0, 40);
        ASSERT_EQ(line, "saver" + std::to_string(s) + "," +
                            std::string(40 + 300 * s, static_cast<char>('a' + s)));
        ++counts[s];
        start = end + 2;
    }
    for (int s = 0; s < SAVERS; ++s) {
        EXPECT_EQ(counts[s], ROWS_EACH) << "saver " << s;
    }
}

} // namespace
