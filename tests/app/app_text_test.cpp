#include "app/app_text.h"

#include <gtest/gtest.h>

namespace gd {
namespace {

TEST(AppPaths, FolderPartEndsAtTheLastBackslashOrColon) {
  EXPECT_EQ(FolderPart("C:\\Tools\\glimmerdig.exe"), "C:\\Tools\\");
  EXPECT_EQ(FolderPart("C:glimmerdig.exe"), "C:");
  EXPECT_EQ(FolderPart("C:\\"), "C:\\");
  EXPECT_EQ(FolderPart("\\\\host\\share\\a.b\\x"), "\\\\host\\share\\a.b\\");
  EXPECT_EQ(FolderPart("noslash"), "");
}

TEST(AppPaths, ChangeFileExtLooksOnlyAtTheFileName) {
  EXPECT_EQ(ChangeFileExt("C:\\Tools\\glimmerdig.exe", ".INI"), "C:\\Tools\\glimmerdig.INI");
  EXPECT_EQ(ChangeFileExt("C:\\v1.2\\glimmerdig", ".INI"), "C:\\v1.2\\glimmerdig.INI");
  EXPECT_EQ(ChangeFileExt("C:\\a\\b.tar.exe", ".chm"), "C:\\a\\b.tar.chm");
  EXPECT_EQ(ChangeFileExt("D:prog.exe", ".INI"), "D:prog.INI");
  EXPECT_EQ(SettingsPath("C:\\ツール\\グリマー.exe"), "C:\\ツール\\グリマー.INI");
  EXPECT_EQ(DefaultSaveFolder("C:\\Tools\\glimmerdig.exe"), "C:\\Tools\\BmpSave");
}

TEST(AppText, MessagesAndCommandLines) {
  EXPECT_EQ(ConfirmFolderText("C:\\src\\", "C:\\out\\"),
            "C:\\src\\ からビットマップを抽出して C:\\out\\ に保存します。よろしいですか？");
  EXPECT_EQ(ResultText(3), "3個のビットマップを抽出しました。");
  EXPECT_EQ(ResultText(1), "1個のビットマップを抽出しました。");
  EXPECT_EQ(ResultText(0), "ビットマップは見つかりませんでした。");
  EXPECT_EQ(ResultText(-1), "ビットマップは見つかりませんでした。");
  // Not quoted: the command lines are what the program has always run.
  EXPECT_EQ(ExplorerCommand("C:\\My Pictures\\"), "Explorer C:\\My Pictures\\");
  EXPECT_EQ(HelpCommand("C:\\Tools\\glimmerdig.exe"), "HH.EXE C:\\Tools\\glimmerdig.chm");
  EXPECT_EQ(SettingsWriteErrorText("C:\\Tools\\glimmerdig.INI"), "C:\\Tools\\glimmerdig.INI に書き込めません");
  EXPECT_EQ(MissingSourceText("C:\\gone\\x.ico"), "C:\\gone\\x.ico が見つかりません。");
}

}  // namespace
}  // namespace gd
