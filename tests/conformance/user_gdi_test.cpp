// The window-less USER calls and GDI objects: arithmetic, memory contexts and their bitmaps,
// text attributes, pictures from files and private fonts.
#include <gtest/gtest.h>

#include <string>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

TEST(User, MulDivRoundsHalfAwayAndReportsWhatDoesNotFit) {
  EXPECT_EQ(MulDiv(9, 96, 72), 12);
  EXPECT_EQ(MulDiv(10, 96, 75), 13);  // 12.8
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(7, 1, -2), -4);  // -3.5: away from zero whichever factor is negative
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 1), -1);
  EXPECT_EQ(MulDiv(0x40000000, 4, 2), -1);
  EXPECT_EQ(MulDiv(0x40000000, 2, 1), -1);  // 2^31 does not fit either way
  EXPECT_EQ(MulDiv(-0x40000000, 2, 1), -1);
  EXPECT_EQ(MulDiv(-0x3FFFFFFF, 2, 1), -0x7FFFFFFE);
}

TEST(User, RectanglesExcludeTheirRightAndBottomEdges) {
  RECT r;
  ASSERT_TRUE(SetRect(&r, 10, 20, 30, 40));
  EXPECT_TRUE(PtInRect(&r, POINT{10, 20}));
  EXPECT_FALSE(PtInRect(&r, POINT{30, 20}));
  EXPECT_FALSE(PtInRect(&r, POINT{10, 40}));
  ASSERT_TRUE(InflateRect(&r, -2, -2));
  ASSERT_TRUE(OffsetRect(&r, 5, -5));
  EXPECT_EQ(r.left, 17);
  EXPECT_EQ(r.top, 17);
  EXPECT_EQ(r.right, 33);
  EXPECT_EQ(r.bottom, 33);
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
  EXPECT_EQ(GetSystemMetrics(SM_CYICON), 32);
}

TEST(Gdi, AMemoryContextStartsMonochromeAndGivesBackWhatASelectionReplaced) {
  HDC memory = CreateCompatibleDC(nullptr);
  ASSERT_NE(memory, nullptr);
  // Compatible with the memory context's own 1 x 1 bitmap: monochrome.
  HBITMAP mono = CreateCompatibleBitmap(memory, 8, 4);
  ASSERT_NE(mono, nullptr);
  BITMAP info{};
  ASSERT_EQ(GetObjectA(mono, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 8);
  EXPECT_EQ(info.bmHeight, 4);
  EXPECT_EQ(info.bmBitsPixel, 1);
  HGDIOBJ original = SelectObject(memory, mono);
  ASSERT_NE(original, nullptr);
  EXPECT_EQ(SelectObject(memory, original), static_cast<HGDIOBJ>(mono));

  HBRUSH brush = CreateSolidBrush(RGB(240, 216, 215));
  RECT all{0, 0, 8, 4};
  EXPECT_NE(FillRect(memory, &all, brush), 0);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(SetBkMode(memory, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(memory, OPAQUE), TRANSPARENT);
  EXPECT_EQ(SetTextColor(memory, RGB(255, 255, 255)), RGB(0, 0, 0));
  EXPECT_GT(GetDeviceCaps(memory, LOGPIXELSY), 0);
  SIZE none{-1, -1};
  ASSERT_TRUE(GetTextExtentPoint32A(memory, "", 0, &none));
  EXPECT_EQ(none.cx, 0);
  SIZE some{};
  ASSERT_TRUE(GetTextExtentPoint32A(memory, "VANTPLUS", 8, &some));
  EXPECT_GT(some.cx, 0);
  EXPECT_GT(some.cy, 0);

  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_TRUE(DeleteObject(mono));
}

TEST(Gdi, APictureFileIsReadAtItsNaturalSize) {
  std::string folder = TestFolder();
  // A 3 x 2 picture, 24 bits, rows padded to 4 bytes.
  std::string file(54 + 2 * 12, '\0');
  auto put = [&](size_t at, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, static_cast<unsigned>(file.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, 3, 4);
  put(22, 2, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  ASSERT_TRUE(WriteTextFile(folder + "\\picture.bmp", file));
  HANDLE picture = LoadImageA(nullptr, (folder + "\\picture.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  ASSERT_NE(picture, nullptr);
  BITMAP info{};
  ASSERT_EQ(GetObjectA(picture, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 3);
  EXPECT_EQ(info.bmHeight, 2);
  EXPECT_TRUE(DeleteObject(picture));
  EXPECT_EQ(LoadImageA(nullptr, (folder + "\\absent.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
}

TEST(Gdi, AFileThatIsNoFontIsNotRegisteredAndNothingIsRemovedTwice) {
  std::string folder = TestFolder();
  ASSERT_TRUE(WriteTextFile(folder + "\\notes.ttf", "plain text, no font"));
  EXPECT_EQ(AddFontResourceExA((folder + "\\notes.ttf").c_str(), FR_PRIVATE, nullptr), 0);
  EXPECT_FALSE(RemoveFontResourceExA((folder + "\\notes.ttf").c_str(), FR_PRIVATE, nullptr));
  EXPECT_EQ(AddFontResourceExA((folder + "\\absent.ttf").c_str(), FR_PRIVATE, nullptr), 0);
}
