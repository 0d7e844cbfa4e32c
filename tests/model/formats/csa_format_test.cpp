// CSA records: golden files read and written back byte for byte, files in the
// forms other programs write, the move parser, the writers' forms, the position
// reader and refusals (damaged input: damaged_records_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/formats/csa_format.h"
#include "model/formats/kif_format.h"
#include "model/record/kifu.h"
#include "model/text/text_stream.h"
#include "tests/model/formats/kif_test_util.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::gote, testing::initial;
using Strings = std::vector<std::string>;

std::string fixture(const char* name) { return std::string(VELKORA_TEST_DATA) + "/csa/" + name; }

std::string read_bytes(const char* name) { return testing::read_file_bytes(fixture(name)); }

// The record as CSA text, with CR LF line ends as a file gets them.
std::string write_csa(const Kifu& kifu, bool crlf = true) {
  KString out;
  MemTextWriter w(out, crlf);
  kifu_write_csa(kifu, w);
  return out.c_str();
}

int read_text(Kifu& kifu, const std::string& text, bool strict = false, bool merge = false) {
  MemTextReader r(text.c_str());
  return kifu_read_csa(kifu, r, merge, strict);
}

int read_file(Kifu& kifu, const char* name) {
  FileTextReader r;
  return r.Open(fixture(name).c_str()) == 0 ? kifu_read_csa(kifu, r, false, false) : -2;
}

// The record's first line: "+7776/12" (sign, squares, "00" for a drop, "+" for a
// promotion, "/" seconds), "%2" for special code 2.
Strings main_line(const Kifu& kifu) {
  Strings out;
  for (const KifuKyokumen* n = kifu.Start(); n && n->next.Count() > 0; n = n->next.items[0]->to) {
    const Sashite& m = n->next.items[0]->sashite;
    char text[32];
    if (m.special != kOrdinaryMove) {
      std::snprintf(text, sizeof text, "%%%d", m.special);
    } else {
      std::snprintf(text, sizeof text, "%c%02d%d%d%s/%d", m.koma.Side() == 0 ? '+' : '-',
                    m.IsDrop() ? 0 : m.from_x * 10 + m.from_y, m.to_x, m.to_y, m.nari ? "+" : "",
                    n->next.items[0]->seconds);
    }
    out.push_back(text);
  }
  return out;
}

TEST(CsaFormat, GoldenFilesReadAndWriteBackByteForByte) {
  Kifu game, setup;
  ASSERT_EQ(read_file(game, "even_game.csa"), 0);
  ASSERT_EQ(read_file(setup, "setup_chudan.csa"), 0);
  EXPECT_EQ(write_csa(game), read_bytes("even_game.csa"));
  EXPECT_EQ(write_csa(setup), read_bytes("setup_chudan.csa"));

  EXPECT_STREQ(game.names[1].c_str(), "鈴木 花子");
  EXPECT_EQ(game.Start()->kyokumen, initial(kHirate));
  EXPECT_EQ(main_line(game), (Strings{"+7776/12", "-3334/5", "+8822+/30", "-3122/3", "+0045/61",
                                      "-8384/8", "+4534/20", "-2233/10", "+3423+/15", "%2"}));
  // A set-up with two kinds in sente's hand (two hand lines), gote to move.
  const Kyokumen& start = setup.Start()->kyokumen;
  EXPECT_EQ(start.teban, 1);
  EXPECT_EQ(start.HandCount(0, kFu) * 10 + start.HandCount(0, kKaku), 21);
  EXPECT_EQ(start.At(1, 8).code, gote(kRyu));
  EXPECT_EQ(main_line(setup), (Strings{"-0055/7", "+0045/3", "-5545/4", "+0056/9", "%14"}));

  // The position writer: the same header with its own second line, no moves.
  KString out;
  MemTextWriter w(out, true);
  kifu_write_csa_position(setup, w, start);
  std::string expected = read_bytes("setup_chudan.csa");
  expected = expected.substr(0, expected.find("-0055HI"));
  expected.replace(expected.find("   generated"), 3, "  ");
  EXPECT_EQ(out.c_str(), expected);
}

TEST(CsaFormat, ReadsRecordsInTheFormsOtherProgramsWrite) {
  // LF ends, version and information lines, comments holding commas, PI,
  // several statements on a line, times on lines of their own.
  Kifu club;
  ASSERT_EQ(read_file(club, "other_program.csa"), 0);
  EXPECT_STREQ(club.names[1].c_str(), "Ishida");
  EXPECT_EQ(main_line(club), (Strings{"+2726/12", "-8384/6", "+2625/3", "-8485/8", "+6978/20",
                                      "-4132/11", "+2524/5", "-2324/2", "+2824/9", "-0023/14", "%2"}));

  // A handicap given by PI and the pieces it takes off; the giver moves first.
  Kifu handicap;
  ASSERT_EQ(read_file(handicap, "handicap_pi.csa"), 0);
  EXPECT_EQ(handicap.Start()->kyokumen, initial(kNimaiOchi));
  EXPECT_EQ(main_line(handicap), (Strings{"-7162/30", "+7776/10", "-5354/4", "+2726/7", "-6253/25",
                                          "+2625/6", "%14"}));

  // A mate problem: 00AL gives gote every piece not placed; no sente king.
  Kifu tsume;
  ASSERT_EQ(read_file(tsume, "tsume_al.csa"), 0);
  const Kyokumen& t = tsume.Start()->kyokumen;
  const int gote_hand[8] = {0, 15, 3, 3, 3, 3, 2, 1};  // the と on 34 is one of the pawns
  for (int type = kFu; type <= kHi; ++type) EXPECT_EQ(t.HandCount(1, type), gote_hand[type]);
  EXPECT_EQ(t.teaiwari, kNoSenteKing);

  // The example game as a game server writes it (" *." for an empty cell),
  // with empty cells as blanks, bytes that name no piece behind a row and a
  // list and a bare "P", and with comment lines that read like moves.
  Kifu example;
  ASSERT_EQ(testing::read_kif_text(example, testing::read_file_bytes(std::string(VELKORA_TEST_DATA) +
                                                                      "/../../examples/aigakari.kif")),
            0);
  for (const char* name : {"server_rows.csa", "blank_cells.csa", "comment_lines.csa"}) {
    Kifu k;
    ASSERT_EQ(read_file(k, name), 0) << name;
    EXPECT_EQ(k.Start()->kyokumen, example.Start()->kyokumen) << name;
    EXPECT_EQ(main_line(k), main_line(example)) << name;
  }
}

TEST(CsaMoveLine, ReadsMovesAndEndWordsAgainstThePosition) {
  Kyokumen pos = testing::empty_position();
  testing::put(pos, 5, 9, kOu);
  testing::put(pos, 2, 2, kKaku);
  testing::put(pos, 4, 4, gote(kFu));
  testing::put(pos, 6, 8, kKin);
  pos.mochigoma[0][kFu] = 1;
  Sashite m;
  auto parse = [&](const char* s) { return csa_parse_move_line(KString::KStringFromC(s), m, pos); };

  // The golden files pin moves, drops and promotions read; here the refusals.
  ASSERT_TRUE(parse("+2244KA"));
  EXPECT_EQ(m, Sashite(2, 2, 4, 4, kKaku, gote(kFu), 0, kOrdinaryMove));
  for (const char* bad : {"+2233KI", "+2233TO", "+0055KI", "+0055OU", "+5968OU", "-2233UM",
                          "+5655FU", "+2230KA", "+0522KA", "+22x3KA", "+2233", "+", "%ERROR"}) {
    EXPECT_FALSE(parse(bad)) << bad;
  }
  pos.teban = 1;  // end words carry the king of the side to move
  ASSERT_TRUE(parse("%TORYO"));
  EXPECT_EQ(m, Sashite(0, 0, 0, 0, gote(kOu), 0, 0, kToryo));
}

TEST(CsaReader, ReadsStatementsTimesPieceListsAndEndWords) {
  Kifu k;
  // Statements split at commas; a comment runs to its line end, commas and all;
  // a time bounded to a day; an unknown end word skipped; %TORYO ends the read.
  ASSERT_EQ(read_text(k, " PI\r\n+\n+7776FU , T12,,'note, +2726FU,T5\n-3334FU,T99999999999\n"
                         "%ERROR\n+2726FU\n%TORYO,-8384FU\n-8384FU\n"),
            0);
  EXPECT_EQ(main_line(k), (Strings{"+7776/12", "-3334/86400", "+2726/0", "%2"}));
  // Nothing of that read reaches the next one.
  ASSERT_EQ(read_text(k, "+\n"), 0);
  EXPECT_TRUE(main_line(k).empty());

  // The round trips read back every end the writer puts, its comment word
  // included; another comment leaves the statement's code.
  ASSERT_EQ(read_text(k, "+\n%CHUDAN,'tsumi?\n"), 0);
  EXPECT_EQ(main_line(k), Strings{"%14"});
  ASSERT_EQ(read_text(k, "+\n%TORYO,'win\n"), 0);
  EXPECT_EQ(main_line(k), Strings{"%2"});

  // Two pawns; names count before the first position statement only,
  // trailing blanks and full-width spaces cut.
  const std::string text = "N+First　 \nP1 *  *  *  * -OU *  *  *  * \nP2\nP3\nP7\nP8\nP9 *  *  *  * +OU *  *  *  * \n"
                           "P+00FU00FU\nP-00FU\nN-Late\nP-00HI\n";
  ASSERT_EQ(read_text(k, text), 0);
  const Kyokumen& start = k.Start()->kyokumen;
  EXPECT_EQ(start.HandCount(0, kFu) * 100 + start.HandCount(1, kFu) * 10 + start.HandCount(1, kHi), 211);
  EXPECT_STREQ(k.names[0].c_str(), "First");
  EXPECT_TRUE(k.names[1].empty());

  // A position statement that names a piece it cannot place would set up
  // another position: the text is refused and that line named. A group that
  // is no pawn..rook, a hand past a full set, a cell too many, cells out of
  // line, "PI" taking off a piece that is not there, groups apart, a rank 0.
  std::string full_set = "P-";
  for (int i = 0; i < 200; ++i) full_set += "00HI";
  for (const std::string& bad : {std::string("P-00OU00FU"), full_set, std::string("P2 * -HI *  *  *  *  * -KA *  * -FU"),
                                  std::string("P1-KY-KE-GI-KI-OU-KI-GI-KE -KY"), std::string("PI55KA"),
                                  std::string("PI82HI 22KA"), std::string("P+00KI 00GI"), std::string("P0-KY")}) {
    Kifu refused;
    MemTextReader r(("N+a\n" + bad + "\n+\n+7776FU\n").c_str());
    KifuReadStop stop;
    EXPECT_EQ(kifu_read_csa(refused, r, false, false, &stop), -1) << bad;
    EXPECT_EQ(stop.not_csa_line, 2) << bad;
    EXPECT_STREQ(stop.not_csa_text.c_str(), bad.c_str());
  }
  // Bytes that name no piece are an empty square or, behind the last cell or
  // group, passed over, the line told; so is a statement of no known kind.
  for (const auto& [stray, of_no_kind] :
       {std::pair{"P5 * -HX *", false}, {"P5 *  * -  *", false}, {"P-00AL.", false}, {"Px", true}}) {
    KifuReadStop stop;
    MemTextReader r((std::string("PI\n") + stray + "\n+\n").c_str());
    ASSERT_EQ(kifu_read_csa(k, r, false, true, &stop), 0) << stray;
    EXPECT_EQ(k.Start()->kyokumen, initial(kHirate)) << stray;
    EXPECT_EQ((of_no_kind ? stop.passed_over : stop.stray_bytes).line, 2) << stray;
  }
}

// A statement loses its trailing blanks and full-width spaces as
// KString::TrimRight cuts them, however its bytes pair up (the reader tells
// most cuts from the end of a statement alone).
TEST(CsaReader, CutsTrailingBlanksAsTrimRightDoes) {
  std::mt19937 rng(69);
  // Any bytes, then a run of bytes of 0x80 and more, then blanks and "@" (no
  // CR, which ends a line).
  const std::string any = "a \t@\x81\x88\x7f\xe0", high = "\x81\x88\xe0\x96\xbc", end = " \t@\x7f";
  for (int i = 0; i < 3000; ++i) {
    std::string statement = "N+";
    for (const auto& [from, most] : {std::pair{&any, 6}, std::pair{&high, 20}, std::pair{&end, 4}}) {
      for (int n = static_cast<int>(rng() % (most + 1)); n > 0; --n) statement += (*from)[rng() % from->size()];
    }
    statement += "\n";  // the line end is the statement's last byte
    KString want = KString::KStringFromC(statement.c_str());
    want.TrimRight();
    Kifu k;
    ASSERT_EQ(read_text(k, statement), 0);
    EXPECT_EQ("N+" + std::string(k.names[0].c_str()), want.c_str()) << ::testing::PrintToString(statement);
  }
}

TEST(CsaReader, StopsAtAMoveThatCannotBePlayed) {
  Kifu k;
  for (const char* bad : {"+7674FU", "+0055KA", "+77", "-8384FU"}) {  // geometry, hand, cut, side
    ASSERT_EQ(read_text(k, std::string("PI,+,+7776FU,-3334FU,") + bad + ",+2726FU,-8384FU"), 0);
    EXPECT_EQ(main_line(k), (Strings{"+7776/0", "-3334/0"})) << bad;
  }
}

// The end statements of game servers keep their results, in files and in
// pasted text alike: the code, and the king of the side that lost (won, for a
// declared win), so that the writers tell the same result. A game stopped at
// the move limit is a draw; a repetition by perpetual check is lost by the
// side that has just moved (sente after one move: code 11).
TEST(CsaReader, EndStatementsKeepTheirResults) {
  const std::pair<const char*, std::string> ends[] = {
      {"%-ILLEGAL_ACTION", "5-"}, {"%+ILLEGAL_ACTION", "5+"}, {"%ILLEGAL_MOVE", "5-"},
      {"%TIME_UP", "3-"},         {"%TSUMI", "1-"},           {"%KACHI", "7-"},
      {"%JISHOGI", "8-"},         {"%HIKIWAKE", "8-"},        {"%TORYO", "2-"},
      {"%MAX_MOVES", "8-"},       {"%OUTE_SENNICHITE", "11-"},
  };
  for (const bool strict : {false, true}) {
    for (const auto& [end, result] : ends) {
      Kifu k;
      ASSERT_EQ(read_text(k, std::string("PI\n+\n+7776FU\n") + end + "\n-3334FU\n", strict), 0) << end;
      const KifuSashite* last = k.NodeAtTesu(1)->to->next.Current();
      ASSERT_NE(last, nullptr) << end;
      EXPECT_EQ(std::to_string(last->sashite.special) + "+-"[last->sashite.koma.Side() == 1], result) << end;
      EXPECT_EQ(last->to->next.Count(), 0) << end;  // the end statement ends the read
    }
  }
  // After two moves gote has just moved and gave the checks.
  Kifu k;
  ASSERT_EQ(read_text(k, "PI\n+\n+7776FU\n-3334FU\n%OUTE_SENNICHITE\n"), 0);
  EXPECT_EQ(main_line(k), (Strings{"+7776/0", "-3334/0", "%10"}));
}

// An end statement that gives the record no result is passed over, and the
// reading goes on behind it as before; the first one is told with its line,
// in files and in pasted text alike.
TEST(CsaReader, TellsTheFirstEndItCannotHold) {
  const struct {
    const char* text;
    int line;
    const char* end;
    Strings moves;
  } cases[] = {
      {"PI\n+\n+7776FU\n%MATTA\n-3334FU\n%FUZUMI\n", 4, "%MATTA", {"+7776/0", "-3334/0"}},
      {"PI\n+\n+7776FU\n-3334FU,T2\n%FUZUMI\n", 5, "%FUZUMI", {"+7776/0", "-3334/2"}},
      {"PI\n+\n%ERROR\n+7776FU\n%TORYO\n", 3, "%ERROR", {"+7776/0", "%2"}},
      {"PI,+,+7776FU,%NEW_WORD,-3334FU\n", 1, "%NEW_WORD", {"+7776/0", "-3334/0"}},
      // A time behind a passed-over end times no move.
      {"PI\n+\n+7776FU\n-3334FU\nT6\n%MATTA\nT9\n", 6, "%MATTA", {"+7776/0", "-3334/6"}},
  };
  for (const bool strict : {false, true}) {
    for (const auto& c : cases) {
      Kifu k;
      KifuReadStop stop;
      MemTextReader r(c.text);
      ASSERT_EQ(kifu_read_csa(k, r, false, strict, &stop), 0) << c.text;
      EXPECT_EQ(main_line(k), c.moves) << c.text;
      EXPECT_EQ(stop.left_out_end_line, c.line) << c.text;
      EXPECT_STREQ(stop.left_out_end.c_str(), c.end) << c.text;
      EXPECT_EQ(stop.line, 0) << c.text;
    }
  }
  // An end statement the record holds says nothing.
  Kifu k;
  KifuReadStop stop;
  MemTextReader r("PI\n+\n+7776FU\n%MAX_MOVES\n");
  ASSERT_EQ(kifu_read_csa(k, r, false, false, &stop), 0);
  EXPECT_EQ(stop.left_out_end_line, 0);
}

// Where the moves stop: the statement and its line, for a move that breaks
// the rules and for one that cannot be read.
TEST(CsaReader, TellsWhereTheMovesStop) {
  Kifu k;
  KifuReadStop stop;
  MemTextReader illegal("N+a\nPI\n+\n+7776FU,T3\n-3334FU\n+7674FU,T1\n-8384FU\n");
  ASSERT_EQ(kifu_read_csa(k, illegal, false, false, &stop), 0);
  EXPECT_EQ(k.GetTesu(), 2);
  EXPECT_EQ(stop.line, 6);
  EXPECT_STREQ(stop.text.c_str(), "+7674FU");
  MemTextReader cut("PI\n+\n+7776FU\n-33\n");
  ASSERT_EQ(kifu_read_csa(k, cut, false, false, &stop), 0);
  EXPECT_EQ(stop.line, 4);
  EXPECT_STREQ(stop.text.c_str(), "-33");
  MemTextReader whole("PI\n+\n+7776FU\n%TORYO\n");
  ASSERT_EQ(kifu_read_csa(k, whole, false, false, &stop), 0);
  EXPECT_EQ(stop.line, 0);
  MemTextReader two_kings("PI\nP+55OU\n+\n");
  EXPECT_EQ(kifu_read_csa(k, two_kings, false, false, &stop), -1);
  EXPECT_TRUE(stop.bad_start);
}

TEST(CsaReader, RefusesImpossibleStartsAndMovesThatTakeAKing) {
  Kifu k;
  ASSERT_EQ(read_file(k, "even_game.csa"), 0);
  const std::string before = write_csa(k);
  std::string many_pawns;
  for (int i = 0; i < 10; ++i) many_pawns += "P-00FU\n";
  for (const std::string& text : {std::string("PI\nP+55OU\n+\n+7776FU\n"),  // two sente kings
                                  std::string("P1\n+\n"),                    // no gote king
                                  std::string("P5+FU\n+\n"),                 // two pawns on file 5
                                  many_pawns + "+\n"}) {                      // 28 pawns
    EXPECT_EQ(read_text(k, text), -1) << text;
  }
  EXPECT_EQ(write_csa(k), before);
  // Gote is left in check with sente to move: taking the king ends the record.
  std::string rows;
  for (int rank = 1; rank <= 9; ++rank) {
    const char* piece = rank == 1 ? "-OU" : rank == 5 ? "+HI" : rank == 9 ? "+OU" : " * ";
    char row[64];
    std::snprintf(row, sizeof row, "P%d *  *  *  * %s *  *  *  * \n", rank, piece);
    rows += row;
  }
  ASSERT_EQ(read_text(k, rows + "+\n+5551HI\n"), 0);
  EXPECT_TRUE(main_line(k).empty());
  EXPECT_EQ(k.Start()->kyokumen.At(5, 5).code, kHi);
}

TEST(CsaReader, FailsOnTextWithoutCsaAndLeavesTheRecord) {
  Kifu k;
  ASSERT_EQ(read_file(k, "even_game.csa"), 0);
  const std::string before = write_csa(k);
  const KifuSashite* root = k.root.get();
  for (const char* text : {"", "Hello, world\n", "T12\n", "+1 for this idea\n", "%ERROR\n", "P\n"}) {
    EXPECT_EQ(read_text(k, text, true), -1) << text;
    EXPECT_EQ(read_text(k, text, false), -1) << text;
  }
  // A line that is no CSA statement fails only as clipboard text; version,
  // information and comment lines are CSA statements there too.
  for (const char* text : {"Club game\nPI\n+\n+7776FU\n", "V2.2\n$EVENT:x\n$no keyword\nPI\n+\n",
                           "Version 2\nPI\n+\n"}) {
    EXPECT_EQ(read_text(k, text, true), -1) << text;
  }
  EXPECT_EQ(write_csa(k), before);
  EXPECT_EQ(k.root.get(), root);
  Kifu other;
  ASSERT_EQ(read_text(other, "Club game\nPI\n+\n+7776FU\n"), 0);
  EXPECT_EQ(main_line(other), Strings{"+7776/0"});
  ASSERT_EQ(read_text(other, "V2.2\n'a note, with a comma\n$EVENT:x\n$TIME+:600\nPI\n+\n+7776FU\n", true), 0);
  EXPECT_EQ(main_line(other), Strings{"+7776/0"});
  ASSERT_EQ(read_text(other, before, true), 0);  // the writer's text pastes back
  EXPECT_EQ(write_csa(other), before);

  // Merging grafts a line at its start position; a start found nowhere adds nothing.
  ASSERT_EQ(read_text(k, "PI,+,+7776FU,-8384FU", false, true), 0);
  EXPECT_EQ(k.Start()->next.items[0]->to->next.Count(), 2);
  const std::string merged = write_csa(k);
  EXPECT_EQ(read_text(k, "P1 *  *  *  * -OU\nP9 *  *  *  * +OU\n+\n", false, true), -1);
  EXPECT_EQ(write_csa(k), merged);
}

TEST(CsaWriter, WritesHeadersCommentsEndWordsAndTheFirstLine) {
  Kifu k;
  k.names[0] = KString::KStringFromC("Habu, Yoshiharu");
  k.date = KString::KStringFromC("2024/01/02");
  k.title = KString::KStringFromC("Title\r\n+7776FU");
  k.event = KString::KStringFromC("Club, round 2");
  k.SetHeader("場所", "東京, 将棋会館");
  k.SetHeader("備考", "a：b, c");
  k.root->comment = KString::KStringFromC("before the game");
  const Kyokumen even = initial(kHirate);
  auto add = [&](KifuKyokumen* at, const Sashite& m, int seconds) {
    return Kifu::AddSashiteAtPos(at, m, seconds, nullptr, -1, k.table.get(), KifuChooser::kNever, true);
  };
  KifuSashite* first = add(k.Start(), testing::move(even, 7, 7, 7, 6), 12);
  first->comment = KString::KStringFromC("line one\r\n\r\nline two, +2726FU\r\n");
  add(first->to, Sashite(0, 0, 0, 0, gote(kOu), 0, 0, kSennichite), 0)->comment = KString::KStringFromC("drawn");
  add(k.Start(), testing::move(even, 2, 7, 2, 6), 0);  // selected, but not the first

  // Header fields as information lines where there is one, else as header
  // comments; comments as comment lines of the record.
  const std::string text = write_csa(k, false);
  const std::string head = "'=== CSA-Format Kifu File\n'===   generated by NORVIKAS\nV2.2\n"
                           "N+Habu， Yoshiharu\nN-\n$START_TIME:2024/01/02\n'=== Title:Title  +7776FU\n"
                           "$EVENT:Club, round 2\n$SITE:東京, 将棋会館\n'=== 備考：a：b, c\nP1-KY";
  EXPECT_EQ(text.substr(0, head.size()), head);
  const std::string tail = "+\n'*before the game\n+7776FU,T12,'\n'*line one\n'*\n'*line two, +2726FU\n"
                           "%SENNICHITE,'draw\n'*drawn\n";
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  // Read back, as clipboard text too, everything of the line stays.
  for (const bool strict : {false, true}) {
    Kifu back;
    ASSERT_EQ(read_text(back, text, strict), 0);
    EXPECT_EQ(main_line(back), (Strings{"+7776/12", "%9"}));
    EXPECT_STREQ(back.names[0].c_str(), "Habu， Yoshiharu");
    EXPECT_STREQ(back.NodeAtTesu(1)->comment.c_str(), "line one\r\n\r\nline two, +2726FU");
    EXPECT_STREQ(back.root->comment.c_str(), "before the game");
    EXPECT_STREQ(back.GetHeader("備考"), "a：b, c");
    EXPECT_EQ(write_csa(back, false), text);
  }
}

// Comments and header fields in the forms the writers wrote before, and
// those of other programs: "$" lines with a record header field, "'*"
// comment lines, a comment behind a move on its line with the plain comment
// lines right below it; other comment lines are no part of the record.
TEST(CsaReader, ReadsCommentsAndHeaderFieldsOfOlderFilesAndOtherPrograms) {
  Kifu old;
  ASSERT_EQ(read_file(old, "old_writer.csa"), 0);
  EXPECT_EQ(main_line(old), (Strings{"+7776/12", "-3334/5", "%2"}));
  EXPECT_STREQ(old.date.c_str(), "2024/01/02(火) 10:00:00");
  EXPECT_STREQ(old.title.c_str(), "第1局：先手番");
  EXPECT_STREQ(old.event.c_str(), "竜王戦, 第1局");
  EXPECT_STREQ(old.GetHeader("場所"), "東京, 将棋会館");
  EXPECT_STREQ(old.GetHeader("備考"), "テスト");
  EXPECT_STREQ(old.NodeAtTesu(1)->comment.c_str(), "初手, 角道を開ける\r\n\r\n三行目");
  EXPECT_TRUE(old.NodeAtTesu(2)->comment.empty());

  Kifu club;
  ASSERT_EQ(read_file(club, "other_program.csa"), 0);
  EXPECT_STREQ(club.event.c_str(), "Club championship, round 2");
  EXPECT_STREQ(club.date.c_str(), "2023/11/04 13:00:00");
  EXPECT_STREQ(club.GetHeader("場所"), "Community hall");
  EXPECT_TRUE(club.root->comment.empty());
  for (int ply = 1; ply <= club.GetTesu(); ++ply) EXPECT_TRUE(club.NodeAtTesu(ply)->comment.empty()) << ply;

  Kifu k;
  ASSERT_EQ(read_text(k, "'*a game, of two moves\nPI\n$OPENING:Yagura\n$TIME_LIMIT:00:10+00\n"
                         "$END_TIME:2024/01/02 18:00:00\n$NOTE:none\n+\n'*and two lines\n"
                         "+7776FU,'first, with a comma\n'continued\n'*own line\n'plain: not kept\n"
                         "-3334FU\n'not kept either\n%TORYO\n'*resigned\n"),
            0);
  EXPECT_STREQ(k.root->comment.c_str(), "a game, of two moves\r\nand two lines");
  EXPECT_STREQ(k.NodeAtTesu(1)->comment.c_str(), "first, with a comma\r\ncontinued\r\nown line");
  EXPECT_TRUE(k.NodeAtTesu(2)->comment.empty());
  EXPECT_STREQ(k.NodeAtTesu(2)->to->next.Current()->comment.c_str(), "resigned");
  EXPECT_STREQ(k.GetHeader("戦型"), "Yagura");
  EXPECT_STREQ(k.GetHeader("持ち時間"), "00:10+00");
  EXPECT_STREQ(k.GetHeader("終了日時"), "2024/01/02 18:00:00");
  // Information lines without a field of their own keep their keyword.
  EXPECT_STREQ(k.GetHeader("NOTE"), "none");
  EXPECT_EQ(k.headers.Count(), 8);
}

// A line that begins with "'" is a comment, whatever follows it: a move or
// an end word without its sign reads as no move, in the header, among the
// moves and behind the end. Below a comment on a move's line it continues
// that comment, kept and written back. (Files in this form: comment_lines.csa.)
TEST(CsaReader, ReadsEveryLineThatBeginsWithAQuoteAsAComment) {
  Kifu k;
  ASSERT_EQ(read_text(k, "'TORYO\n'7776FU\nPI\n+\n+7776FU,T1,'\n'6978KI\n'%TORYO\n-3334FU\n%TORYO\n", true), 0);
  EXPECT_EQ(main_line(k), (Strings{"+7776/1", "-3334/0", "%2"}));
  EXPECT_STREQ(k.NodeAtTesu(1)->comment.c_str(), "6978KI\r\n%TORYO");
  const std::string written = write_csa(k);
  Kifu back;
  ASSERT_EQ(read_text(back, written), 0);
  EXPECT_EQ(write_csa(back), written);
}

// A start position given by piece lists alone, without "PI" or rank rows,
// starts from the board without pieces ("00AL" then gives the side every
// piece not placed); with "PI" or rank rows, or no position statement, the
// lists change the even game as before.
TEST(CsaReader, APositionGivenByPieceListsAloneStartsFromAnEmptyBoard) {
  const struct {
    const char* text;
    int pieces;  // on the board, in sente's hand and in gote's, as 10000, 100, 1; -1: refused
  } cases[] = {
      {"V2.2\nP-51OU\nP+59OU\n+\n", 20000},
      {"V2.2\nP-51OU\nP+59OU\nP+00KI\n+\n", 20100},
      {"P-12OU13FU22FU\nP+24TO11HI00KI00GI\nP-00AL\n+\n", 50232},
      {"P+59OU\n+\n", -1},  // no gote king
      {"PI49KI\nP+00KI\n+\n", 390100},
      {"N+a\n+\n", 400000},
  };
  for (const auto& c : cases) {
    Kifu k;
    if (read_text(k, c.text) != 0) {
      EXPECT_EQ(c.pieces, -1) << c.text;
      continue;
    }
    const Kyokumen& pos = k.Start()->kyokumen;
    int pieces = 0;
    for (int sq = 0; sq < 81; ++sq) pieces += pos.At(1 + sq % 9, 1 + sq / 9).Side() >= 0 ? 10000 : 0;
    for (int type = kFu; type <= kHi; ++type) pieces += pos.HandCount(0, type) * 100 + pos.HandCount(1, type);
    EXPECT_EQ(pieces, c.pieces) << c.text;
  }
}

// Nothing is played after the end of the game: the first move or end behind
// it is told with its line and ends the read; comments behind the end are its
// own, and time statements and the side to move say nothing.
TEST(CsaReader, TellsWhatFollowsTheEndOfTheGame) {
  const struct {
    const char* text;
    int line;  // 0: nothing told
    const char* told;
  } cases[] = {
      {"PI\n+\n+7776FU\n%TORYO\n'*resigned\nT3\n+\n", 0, ""},
      {"PI\n+\n+7776FU\n%TORYO\n'*resigned\n-3334FU\n'*not the end's\n+2726FU\n", 6, "-3334FU"},
      {"PI\n+\n+7776FU\n%TORYO,'resigned\n%CHUDAN\n", 5, "%CHUDAN"},
      {"PI,+,+7776FU,%CHUDAN,'tsumi\n'*resigned\n", 0, ""},  // the word is no comment
      {"PI,+,+7776FU,%TSUMI,-3334FU\n'*resigned\n", 1, "-3334FU"},
  };
  for (const auto& c : cases) {
    Kifu k;
    KifuReadStop stop;
    MemTextReader r(c.text);
    ASSERT_EQ(kifu_read_csa(k, r, false, false, &stop), 0) << c.text;
    ASSERT_EQ(k.Start()->next.Count(), 1) << c.text;
    const KifuSashite* end = k.NodeAtTesu(1)->to->next.Current();
    ASSERT_NE(end, nullptr) << c.text;
    EXPECT_NE(end->sashite.special, kOrdinaryMove) << c.text;
    EXPECT_EQ(end->to->next.Count(), 0) << c.text;
    EXPECT_EQ(stop.after_end_line, c.line) << c.text;
    EXPECT_STREQ(stop.after_end.c_str(), c.told) << c.text;
    EXPECT_EQ(stop.skipped.line, 0) << c.text;
    EXPECT_STREQ(end->comment.c_str(), c.line == 1 ? "" : "resigned") << c.text;
    EXPECT_EQ(end->seconds, 0) << c.text;
  }
}

// A text that is not CSA is refused with the first line that is no CSA
// statement; a text without one is refused without it.
TEST(CsaReader, TellsTheFirstStatementThatIsNotCsa) {
  const struct {
    const char* text;
    bool strict;
    int line;
    const char* statement;
  } cases[] = {
      {"# ---- KIF\n手合割：平手\n手数----指手--\n   1 ７六歩(77)\n", false, 1, "# ---- KIF"},
      {"'a comment\nV2.2\n$EVENT:x, y\n手合割：平手\n", false, 4, "手合割：平手"},
      {"+7674FU\n", false, 0, ""},
      {"PI\nplays first\n+\n", true, 2, "plays first"},
  };
  for (const auto& c : cases) {
    Kifu k;
    KifuReadStop stop;
    MemTextReader r(c.text);
    EXPECT_EQ(kifu_read_csa(k, r, false, c.strict, &stop), -1) << c.text;
    EXPECT_EQ(stop.not_csa_line, c.line) << c.text;
    EXPECT_STREQ(stop.not_csa_text.c_str(), c.statement) << c.text;
  }
}

// Every result is written with the standard end statement that gives its
// winner, which other programs read, with the comment forms only where it
// tells another kind of end. After one move gote is to move and sente has just
// moved; after two, the other way round.
TEST(CsaWriter, WritesTheStandardEndStatementOfEveryResult) {
  const struct {
    int plies;
    int code;
    bool of_side_to_move;  // the special move holds the king of the side to move
    const char* line;
  } cases[] = {
      {1, kTsumi, true, "%TSUMI"},
      {1, kTsumi, false, "%KACHI"},
      {1, kToryo, true, "%TORYO"},
      {2, kKireMake, true, "%TIME_UP"},
      {1, kMake, true, "%TORYO,'lose"},
      {1, kHansokuMake, true, "%ILLEGAL_MOVE"},
      {1, kHansokuMake, false, "%+ILLEGAL_ACTION"},
      {2, kHansokuMake, false, "%-ILLEGAL_ACTION"},
      {1, kHansokuKachi, true, "%+ILLEGAL_ACTION"},
      {1, kHansokuKachi, false, "%ILLEGAL_MOVE"},
      {1, kKachi, true, "%KACHI"},
      {1, kKachi, false, "%TORYO,'lose"},
      {1, kJishogi, true, "%JISHOGI"},
      {1, kSennichite, true, "%SENNICHITE,'draw"},
      {1, kSennichiteSenteOute, true, "%OUTE_SENNICHITE"},
      {1, kSennichiteGoteOute, true, "%-ILLEGAL_ACTION,'sente win"},
      {2, kSennichiteGoteOute, true, "%OUTE_SENNICHITE"},
      {2, kSennichiteSenteOute, true, "%+ILLEGAL_ACTION,'gote win"},
      {1, kChudan, true, "%CHUDAN"},
      {1, kMatta, true, ""},
  };
  const Kyokumen even = initial(kHirate);
  for (const auto& c : cases) {
    Kifu k;
    KifuSashite* last = Kifu::AddSashiteAtPos(k.Start(), testing::move(even, 7, 7, 7, 6), 0, nullptr, -1,
                                              k.table.get(), KifuChooser::kNever, true);
    std::string moves = "+7776FU,T0,'\n";
    if (c.plies == 2) {
      last = Kifu::AddSashiteAtPos(last->to, testing::move(last->to->kyokumen, 3, 3, 3, 4), 0, nullptr, -1,
                                   k.table.get(), KifuChooser::kNever, true);
      moves += "-3334FU,T0,'\n";
    }
    const int to_move = c.plies % 2;
    const int side = c.of_side_to_move ? to_move : 1 - to_move;
    Kifu::AddSashiteAtPos(last->to, Sashite(0, 0, 0, 0, kOu | (side ? kGoteBit : 0), 0, 0, c.code), 0, nullptr,
                          -1, k.table.get(), KifuChooser::kNever, true);
    const std::string text = write_csa(k, false);
    const std::string tail = moves + c.line + (*c.line ? "\n" : "");
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), tail.size())), tail)
        << "code " << c.code << " after " << c.plies << (c.of_side_to_move ? " of the side to move" : "");
  }
}

TEST(CsaPosition, ReadsTheStartPositionOfAFileForThePerftTool) {
  Kyokumen pos;
  ASSERT_EQ(csa_read_position_file(fixture("handicap_pi.csa").c_str(), pos), 0);
  EXPECT_EQ(pos, initial(kNimaiOchi));
  ASSERT_EQ(csa_read_position_file(fixture("tsume_al.csa").c_str(), pos), 0);
  EXPECT_EQ(pos.teaiwari, kNoSenteKing);
  const Kyokumen kept = pos;
  EXPECT_EQ(csa_read_position_file(fixture("missing.csa").c_str(), pos), -1);
  for (const char* text : {"PI\nP+55OU\n+\n", "N+A\n+7776FU\n", "P1+FU\n+\n", ""}) {
    MemTextReader r(text);
    EXPECT_EQ(csa_read_position(r, pos), -1) << text;
  }
  EXPECT_EQ(pos, kept);
}

}  // namespace
}  // namespace model
