// Round trips of records through the text formats: a record's view (what a
// format may carry of it), the view a format is expected to keep, and writing a
// record in a format and reading it back.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "model/formats/csa_format.h"
#include "model/formats/ki2_format.h"
#include "model/formats/kif_format.h"
#include "model/formats/kifu_dispatch.h"
#include "model/formats/qvf_format.h"
#include "model/record/kifu.h"
#include "model/text/text_stream.h"

namespace model::testing {

// The formats a record is written in. The packed form is KIF in the six-bit
// packing; it goes through a file.
inline constexpr int kWrittenFormats[] = {kFormatKif, kFormatKi2, kFormatCsa, kFormatQvf, kFormatCkf};

inline const char* format_name(int format) {
  static const char* const kNames[] = {"?", "kif", "ki2", "csa", "qvf", "vkr", "ckf", "qvx"};
  return format >= 0 && format <= kFormatKifHenka ? kNames[format] : "?";
}

// What a record shows of itself to a format: the start position (board, hands,
// side to move), the first line with its times and comments, the result (the
// special code that ends the line, 0 for none), names, header fields and the
// number of moves in all lines.
struct RecordView {
  std::string start;
  int start_side = 0;
  struct Move {
    std::string move;  // the squares and pieces of an ordinary move
    int seconds = 0;
    std::string comment;
    int special = 0;  // a special move: its code and the side of its piece (-1 none)
    int side = -1;
  };
  std::vector<Move> line;
  int result = 0;
  std::string root_comment, names[2], date, title, event;
  std::vector<std::string> headers;
  int all_moves = 0;

  // One line per item, so that a failed comparison shows what differs.
  std::string Text(bool moves_only) const {
    std::string s;
    auto add = [&s](std::initializer_list<std::string> parts) {
      for (const std::string& p : parts) s += p;
      s += '\n';
    };
    add({"start ", start});
    for (const Move& m : line) {
      if (m.special) {
        add({"%", std::to_string(m.special), " side ", std::to_string(m.side),
             moves_only ? "" : " " + std::to_string(m.seconds) + " [" + m.comment + "]"});
      } else {
        add({m.move, moves_only ? "" : " " + std::to_string(m.seconds) + " [" + m.comment + "]"});
      }
    }
    add({"result ", std::to_string(result)});
    if (moves_only) return s;
    add({"root [", root_comment, "] names ", names[0], " / ", names[1]});
    add({"date ", date, " title ", title, " event ", event});
    for (const std::string& h : headers) add({"header ", h});
    add({"moves in all lines ", std::to_string(all_moves)});
    return s;
  }
};

inline std::string kstr(const KString& k) { return std::string(k.c_str(), static_cast<size_t>(k.length())); }

inline RecordView record_view(const Kifu& kifu) {
  RecordView v;
  const Kyokumen& k = kifu.Start()->kyokumen;
  char cell[8];
  for (int y = 1; y <= 9; ++y) {
    for (int x = 9; x >= 1; --x) {
      std::snprintf(cell, sizeof cell, "%02x", k.At(x, y).code);
      v.start += cell;
    }
  }
  for (int side = 0; side < 2; ++side) {
    for (int t = kFu; t <= kHi; ++t) {
      std::snprintf(cell, sizeof cell, " %d", k.HandCount(side, t));
      v.start += cell;
    }
  }
  v.start_side = k.teban ? 1 : 0;
  v.start += k.teban ? " gote" : " sente";
  for (const KifuKyokumen* n = kifu.Start(); n && n->next.Count() > 0; n = n->next.At(0)->to) {
    const KifuSashite* m = n->next.At(0);
    const Sashite& s = m->sashite;
    char text[48] = "";
    if (s.special == kOrdinaryMove) {
      std::snprintf(text, sizeof text, "%d%d%d%d %02x %02x %d", s.from_x, s.from_y, s.to_x, s.to_y,
                    s.koma.code, s.tori.code, s.nari);
    }
    v.result = s.special;
    v.line.push_back({text, m->seconds, kstr(m->comment), s.special, s.koma.Side()});
  }
  v.root_comment = kstr(kifu.root->comment);
  v.names[0] = kstr(kifu.names[0]);
  v.names[1] = kstr(kifu.names[1]);
  v.date = kstr(kifu.date);
  v.title = kstr(kifu.title);
  v.event = kstr(kifu.event);
  for (int i = 0; i < kifu.headers.Count(); ++i) v.headers.push_back(kstr(kifu.headers.GetAt(i)));
  for (const KifuKyokumen* n : kifu.table->Nodes()) v.all_moves += n->next.Count();
  return v;
}

// The code that end words naming the side to move (`to_move`) give back for a
// result `code` of side `own`: the code itself for an end of the side to move
// or of no side; else the same winner told from the side to move, the foul
// and the declared result by their opposite words, and a mate, resignation or
// loss on time of the side that has just moved as a win of the side to move.
// In KIF (`kif`) a repetition lost by perpetual check is the foul of the side
// that gave it, as 千日手 reads back as a draw.
inline int side_to_move_code(int code, int own, int to_move, bool kif) {
  if (kif && (code == kSennichiteGoteOute || code == kSennichiteSenteOute)) {
    const int loser = code == kSennichiteGoteOute ? 1 : 0;
    return loser == to_move ? kHansokuMake : kHansokuKachi;
  }
  if (own == to_move || code < kTsumi || code > kKachi) return code;
  switch (code) {
    case kHansokuMake: return kHansokuKachi;
    case kHansokuKachi: return kHansokuMake;
    case kKachi: return kMake;
    default: return kKachi;
  }
}

// The winner a result `code` of side `own` gives: 0 sente, 1 gote, -1 none.
inline int result_winner(int code, int own) {
  switch (code) {
    case kTsumi: case kToryo: case kKireMake: case kMake: case kHansokuMake: return 1 - own;
    case kHansokuKachi: case kKachi: return own;
    case kSennichiteGoteOute: return 0;
    case kSennichiteSenteOute: return 1;
    default: return -1;
  }
}

// The view that `format` keeps of a record with view `v`: every loss a format
// is expected to have is listed here, and nothing else may change. The winner
// of the game always stays; the readers give a special move the king of the
// side to move, but for the ends a format writes with the side they concern.
inline RecordView carried(int format, RecordView v) {
  auto drop_result = [&v] {
    if (v.result == 0) return;
    v.line.pop_back();
    v.result = 0;
  };
  const bool wordless = v.result == kTaikyokuKaishi || v.result == kMatta || v.result == kSaikai;
  // The side to move where the line ends.
  const int to_move = (v.start_side + static_cast<int>(v.line.size()) - (v.result != 0)) % 2;
  // The side a special move concerns: that of its piece, or the side to move
  // when it holds none.
  const int own = v.result != 0 && v.line.back().side >= 0 ? v.line.back().side : to_move;
  switch (format) {
    case kFormatKif:
    case kFormatCkf:
      // A take-back, the start of a game and a resumption have no end word
      // and are not written; every end word names the side to move.
      if (wordless) {
        drop_result();
        --v.all_moves;
      }
      if (v.result != 0) {
        v.result = side_to_move_code(v.result, own, to_move, true);
        v.line.back() = {"", v.line.back().seconds, v.line.back().comment, v.result, to_move};
      }
      return v;
    case kFormatKi2: {
      // One line without times; the special move's comment is not written.
      // The closing line names the kind of the result and the side it
      // concerns, so both come back; a result that concerns no side (a draw,
      // 中断, a repetition lost by perpetual check, whose winner its code
      // tells) comes back with the king of the side to move.
      for (RecordView::Move& m : v.line) m.seconds = 0;
      if (wordless) drop_result();
      if (v.result != 0) {
        const bool sided = v.result != kSennichiteGoteOute && v.result != kSennichiteSenteOute &&
                           result_winner(v.result, own) >= 0;
        v.line.back() = {"", 0, "", v.result, sided ? own : to_move};
      }
      v.all_moves = static_cast<int>(v.line.size());
      return v;
    }
    case kFormatCsa:
      // One line with the times of its moves (an end statement has none), its
      // comments and the header fields. A foul comes back as the loss by foul
      // of the side that lost by it: ILLEGAL_MOVE of the side to move, or the
      // ILLEGAL_ACTION of the side that has just moved.
      if (wordless) drop_result();
      if (v.result != 0) {
        int side = to_move;
        if (v.result == kHansokuMake || v.result == kHansokuKachi) {
          side = 1 - result_winner(v.result, own);
          v.result = kHansokuMake;
        } else {
          v.result = side_to_move_code(v.result, own, to_move, false);
        }
        v.line.back() = {"", 0, v.line.back().comment, v.result, side};
      }
      v.all_moves = static_cast<int>(v.line.size());
      return v;
    case kFormatQvf:
    default:
      // Only the start position comes back, with the names sente and gote.
      v.line.clear();
      v.result = 0;
      v.root_comment.clear();
      v.names[0] = "sente";
      v.names[1] = "gote";
      v.date.clear();
      v.title.clear();
      v.event.clear();
      v.headers.clear();
      v.all_moves = 0;
      return v;
  }
}

// Writes `kifu` in `format` and reads it back into `out` with the format's
// reader: 0, or -1 when the reader refuses what the writer wrote. The packed
// form goes through a file in `dir`, read as the program loads files.
inline int write_and_read(const Kifu& kifu, int format, KifuHolder& out, const std::string& dir = "") {
  if (format == kFormatCkf) {
    const std::string path = dir + "/round_trip.ckf";
    PackedTextWriter packed;
    if (packed.Open(path.c_str()) != 0) return -1;
    kifu_write_kif(kifu, packed);
    if (packed.Close() != 0) return -1;
    int code = kFormatCkf;
    const bool ok = kifu_load_file(out, path.c_str(), &code, false);
    std::remove(path.c_str());
    return ok ? 0 : -1;
  }
  KString text;
  MemTextWriter writer(text, true);
  switch (format) {
    case kFormatKif: kifu_write_kif(kifu, writer); break;
    case kFormatKi2: kifu_write_ki2(kifu, writer); break;
    case kFormatCsa: kifu_write_csa(kifu, writer); break;
    default: kifu_write_qvf(kifu, writer); break;
  }
  MemTextReader reader(text.c_str(), text.length());
  switch (format) {
    case kFormatKif: return kifu_read_kif(out.kifu, reader, false);
    case kFormatKi2: return kifu_read_ki2(out.kifu, reader, false);
    case kFormatCsa: return kifu_read_csa(out.kifu, reader, false, false);
    default: return kifu_read_qvf(out.kifu, reader, false);
  }
}

// Every text writer writes `kifu` into text that its own reader accepts, with
// the start position, the moves and the result that the format carries.
inline ::testing::AssertionResult every_writer_reads_back(const Kifu& kifu) {
  const RecordView view = record_view(kifu);
  for (const int format : {kFormatKif, kFormatKi2, kFormatCsa, kFormatQvf}) {
    KifuHolder back;
    if (write_and_read(kifu, format, back) != 0) {
      return ::testing::AssertionFailure() << format_name(format) << " refuses what it wrote";
    }
    const std::string got = record_view(back.kifu).Text(true);
    const std::string want = carried(format, view).Text(true);
    if (got != want) {
      return ::testing::AssertionFailure() << format_name(format) << " reads back\n"
                                           << got << "instead of\n" << want;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace model::testing
