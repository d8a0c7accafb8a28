// "project.ini" read as Windows reads INI files.
#include <gtest/gtest.h>

#include "project/kor_ini_file.h"

namespace korin::testing {
namespace {

TEST(ProjectIni, ReadsValuesAsWindowsDoes) {
    TKorIniFile ini;
    ini.Parse("\xEF\xBB\xBF[RVK]\r\nLevel1=<ANLAGE:Bereich>\r\n"
              "; ProjectPath=kommentar\n"
              "[cabledatabase]\n"
              "  projectpath = D:\\Stamm  \r\n"
              "ProjectPath=zweiter\r\n"
              "ProjectName=\"Kabel\" ; kein Kommentar\r\n"
              "Name1=a=b\r\n"
              "Zeile ohne Gleichheitszeichen\r\n"
              "[CableDataBase]\r\nName2=aus der zweiten Sektion\r\n");
    EXPECT_EQ((std::vector<std::string>{ini.ReadString("RVK", "Level1"), ini.ReadString("CableDataBase", "ProjectPath"),
                                        ini.ReadString("CableDataBase", "ProjectName"), ini.ReadString("CableDataBase", "Name1")}),
              (std::vector<std::string>{"<ANLAGE:Bereich>", "D:\\Stamm", "\"Kabel\" ; kein Kommentar", "a=b"}));
    EXPECT_FALSE(ini.ValueExists("CableDataBase", "Name2"));
    EXPECT_EQ(ini.ReadString("Fehlt", "Name1", "vorgabe"), "vorgabe");
}

}  // namespace
}  // namespace korin::testing
