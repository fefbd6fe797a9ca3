#include "browser/print.h"

#include <memory>
#include <string>
#include <vector>

#include "browser/render.h"
#include "fixture.h"

namespace {

constexpr uint16_t kVkF5 = 116;
const char kPrinterError[] = " ...   *** Error writing to printer ***";

class PrintTest : public KsTest {
 protected:
  void SetTree(int d, const std::vector<std::string>& paths, bool scanned = true) {
    DriveTree& t = Drive(d);
    t.paths = PathList();
    t.depths = {0};
    for (const std::string& p : paths) {
      t.paths.Append(p);
      uint16_t depth = 0;
      for (char c : p) depth = static_cast<uint16_t>(depth + (c == '\\'));
      t.depths.push_back(depth);
    }
    t.entryCount = t.rowsUsed = static_cast<int>(paths.size());
    t.scanned = scanned;
    t.present = true;
    BuildTreePrefixes(d);
    prog.currentDrive = d;
  }
  // Printing ended with the error shown, a beep, the 3-second wait, and the
  // program still running with the tree back on screen.
  void ExpectReportedFailure(TestSystem& s, const char* message = kPrinterError) {
    con.Type("1");
    EXPECT_EQ(ExitCodeOf([] { PrintTree(); }), -1);
    EXPECT_NE(con.output.find(message), std::string::npos);
    EXPECT_EQ(s.messageBeeps, 1);
    EXPECT_GE(s.sleptMs, 3100);
    EXPECT_EQ(con.Text(1, 24, 4), "F1: ");
  }
};

TEST_F(PrintTest, PrintsEveryEntryWithItsPrefixAndAFormFeed) {
  SetTree(3, {"C:\\", "C:\\A", "C:\\A\\X", "C:\\B"});
  Drive(3).currentEntry = 3;
  // Letters, other digits, function keys and Alt keys leave the prompt.
  con.Type("a4");
  con.PushKey(kVkF5);
  con.PushKey('P', 0, kLeftAltPressed);
  con.Type("2");
  PrintTree();
  EXPECT_EQ(sys.files.count("LPT1"), 0u);
  EXPECT_EQ(sys.files["LPT2"], "C:\\\r\n\xC3\xC4" "A\r\n\xB3 \xC0\xC4X\r\n\xC0\xC4" "B\r\n\f");
  EXPECT_NE(con.output.find(" Print tree to LPT (1,2,3): "), std::string::npos);
  EXPECT_NE(con.output.find(" Printing to LPT2 ..."), std::string::npos);
  EXPECT_EQ(sys.messageBeeps, 0);
  EXPECT_EQ(Drive(3).currentEntry, 3);
  EXPECT_EQ(Drive(3).topEntry, 1);
  EXPECT_FALSE(con.cursorInfo.visible);
  EXPECT_EQ(con.Text(1, 24, 4), "F1: ");

  SetTree(4, {"D:"}, false);  // never scanned
  con.Type("3");
  PrintTree();
  EXPECT_EQ(sys.files["LPT3"], "D:\r\n\f");
}

TEST_F(PrintTest, NamesGoOutInTheConsolesCodePage) {
  con.oemNames = true;
  SetTree(3, {"C:\\", "C:\\CAF\xE9"});
  con.Type("1");
  PrintTree();
  EXPECT_EQ(sys.files["LPT1"], "C:\\\r\n\xC0\xC4" "CAF\x82\r\n\f");
}

TEST_F(PrintTest, EscPrintsNothing) {
  SetTree(3, {"C:\\", "C:\\A"});
  con.Type("x\x1b");
  PrintTree();
  EXPECT_EQ(sys.files.count("LPT1") + sys.files.count("LPT2") + sys.files.count("LPT3"), 0u);
  EXPECT_EQ(con.output.find("Printing"), std::string::npos);
}

TEST_F(PrintTest, FailingWriteStopsPrinting) {
  SetTree(3, {"C:\\", "C:\\A", "C:\\B", "C:\\C"});
  sys.writeBudget = 10;  // the first two lines
  ExpectReportedFailure(sys);
  EXPECT_EQ(sys.files["LPT1"], "C:\\\r\n\xC3\xC4" "A\r\n");
}

TEST_F(PrintTest, MissingPrinterIsReportedNotFatal) {
  SetTree(3, {"C:\\", "C:\\A"});
  sys.missingPrinters.insert(1);
  ExpectReportedFailure(sys, " ...   *** Printer could not be opened ***");
  EXPECT_EQ(sys.files.count("LPT1"), 0u);
}

// A printer whose last bytes fail to go out at close.
class ClosingFails : public File {
 public:
  explicit ClosingFails(std::string* sink) : sink_(sink) {}
  int Read(char*, int) override { return -kIoAccessDenied; }
  int Write(const char* data, int bytes) override {
    sink_->append(data, static_cast<size_t>(bytes));
    return 0;
  }
  int Sync() override { return 0; }
  int Close() override { return kIoDiskFull; }
  std::string ErrorText() override { return said; }
  std::string said;

 private:
  std::string* sink_;
};

struct PrinterCloseSystem : TestSystem {
  Opened<File> OpenPrinter(int) override {
    auto file = std::make_unique<ClosingFails>(&printed);
    file->said = spoolerSays;
    return {std::move(file), 0};
  }
  std::string printed;
  std::string spoolerSays;
};

TEST_F(PrintTest, FailingCloseIsReportedNotFatal) {
  PrinterCloseSystem closing;
  theSystem = &closing;
  SetTree(3, {"C:\\", "C:\\A"});
  ExpectReportedFailure(closing);
  EXPECT_EQ(closing.printed, "C:\\\r\n\xC0\xC4" "A\r\n\f");
}

// A print spooler tells why it failed only when it ends; its words replace
// ours on the status line.
TEST_F(PrintTest, SpoolerMessageIsShownAfterTheClose) {
  PrinterCloseSystem spooler;
  spooler.spoolerSays = "lp: Error - No default destination.";
  theSystem = &spooler;
  SetTree(3, {"C:\\"});
  con.Type("1");
  EXPECT_EQ(ExitCodeOf([] { PrintTree(); }), -1);
  EXPECT_NE(con.output.find(" ...   lp: Error - No default destination."),
            std::string::npos);
  EXPECT_EQ(con.output.find("Error writing"), std::string::npos);
  EXPECT_EQ(spooler.messageBeeps, 1);
}

}  // namespace
