#include "crt32/screen.h"

#include "crt32/console.h"
#include "fixture.h"

namespace {

using Screen = KsTest;

TEST_F(Screen, WholeBufferAndCursorComeBack) {
  con.Resize(80, 300);
  con.SetWindow(275, 25);  // a scrolled-down window: rows above it count too
  for (size_t i = 0; i < con.chars.size(); ++i) {
    con.chars[i] = static_cast<char>('!' + i % 90);
    con.attrs[i] = static_cast<uint16_t>(i % 0xFFFF);
  }
  std::vector<char> chars = con.chars;
  std::vector<uint16_t> attrs = con.attrs;
  con.cursor = {12, 290};
  SaveUserScreen();
  EXPECT_EQ(con.readCalls, 2);

  con.attribute = 0x1E;
  ClearScreen();
  WriteAt(0, 3, 15, 1, "drawn over");
  RestoreUserScreen();
  EXPECT_EQ(con.writeCalls, 3);  // WriteAt's characters, then one per array
  EXPECT_EQ(con.chars, chars);
  EXPECT_EQ(con.attrs, attrs);
  EXPECT_EQ(con.cursor.x, 12);
  EXPECT_EQ(con.cursor.y, 290);

  // The copy is gone: a second restore writes nothing.
  RestoreScreen();
  EXPECT_EQ(con.writeCalls, 3);
}

TEST_F(Screen, SpeakerPortsOnTheOlderPlatform) {
  sys.nt = false;
  StartTone(19);  // 1193181 / 19 = 62799 = 0xF54F
  EXPECT_EQ(sys.portLog, (std::vector<std::string>{
                             "in 61", "out 61 3", "out 43 b6", "out 42 4f",
                             "out 42 f5"}));
  sys.portLog.clear();
  StartTone(1000);  // already sounding: only the pitch changes
  EXPECT_EQ(sys.portLog, (std::vector<std::string>{"in 61", "out 42 a9",
                                                   "out 42 4"}));
  sys.portLog.clear();
  sys.port61 = 0xFF;
  StopTone();
  EXPECT_EQ(sys.portLog,
            (std::vector<std::string>{"in 61", "out 61 fc"}));
  sys.portLog.clear();
  StartTone(18);
  StartTone(0);
  EXPECT_TRUE(sys.portLog.empty());
  EXPECT_EQ(sys.messageBeeps, 0);
}

TEST_F(Screen, BeepTakesAtLeast100msOnBothPlatforms) {
  sys.nt = false;
  sys.port61 = 0x20;
  Beep();
  EXPECT_GE(sys.sleptMs, 100);
  EXPECT_EQ(sys.port61, 0x20);  // speaker off again, other bits kept
  EXPECT_EQ(sys.messageBeeps, 0);

  sys.nt = true;
  sys.sleptMs = 0;
  sys.portLog.clear();
  Beep();
  EXPECT_EQ(sys.messageBeeps, 1);
  EXPECT_GE(sys.sleptMs, 100);
  EXPECT_TRUE(sys.portLog.empty());
}

}  // namespace
