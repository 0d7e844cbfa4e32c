// What the depth-selected generator, its capture and check generators, the
// drop rules and the own-piece families share: one call's context (the
// position, the last two moves, the level, the accept word, the node's
// searched moves and the output), the attack terms they test squares with,
// the return rules on the last two moves, the piece valuations and the writer
// of a move after the accept test and the searched set.
//
// Terms, for the side to move s and the enemy e:
// - support(side, q) = direct plus x-ray attacks of the side on q;
// - q is held when support(e) <= support(s), covered when s attacks it
//   directly or e does not;
// - the enemy camp is where s promotes, its own camp the three ranks nearest s.
// Attack records are read on playing squares only (anything else reads as
// unattacked), and board cells outside the array read as walls, so a rule may
// look two steps past an edge without care. A wall is never an enemy piece;
// "own or wall" tests treat it as the mover's.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/board/move_rules.h"
#include "engine/board/position.h"
#include "engine/board/think_board.h"
#include "engine/search/move_words.h"

namespace search {

struct KGenStamp;

// Which accept test guards a call's moves: the depth generator and the check
// generator ask sashite_threat_kind, the capture generator sashite_threat_kind2.
enum class AcceptForm { kThreatKind, kThreatKind2 };

struct GenCall {
  // `last` is the opponent's last move and `before` the mover's own move
  // before it; the accept test reads `last` inside the search's move array.
  GenCall(const board::KPosition& pos, const board::KMove* last, const board::KMove* before, int level,
          uint32_t accept_word, const KSearchedSet& searched, board::KMove* output, AcceptForm accept_form,
          int accept_level);

  const board::KPosition& p;
  const board::KMove* last;
  const board::KMove& m1;  // the opponent's last move
  const board::KMove& m0;  // the mover's move before it
  int n;                   // the generator level
  uint32_t accept;
  const KSearchedSet& set;
  board::KMove* out;
  int count = 0;           // moves written so far
  int s, e, f;             // mover, enemy, the mover's forward step
  int king;                // the enemy king's square (255 when it is not on the board)
  AcceptForm form;
  int accept_level;        // the depth argument of sashite_threat_kind
  int open_squares = -1;   // the enemy camp's open squares, counted when first needed
  KGenStamp* stamp = nullptr;  // the candidate table of the depth and check generators

  // ---- Squares -------------------------------------------------------------
  int cell(int sq) const {
    return static_cast<unsigned>(sq) < static_cast<unsigned>(board::kBoardCells) ? p.board[sq] : board::kFirstWall;
  }
  int code(int sq) const { return p.piece[cell(sq)].code; }
  int cls(int sq) const { return board::code_class(code(sq)); }
  bool empty(int sq) const { return cell(sq) == board::kEmptyNumber; }
  bool piece_of(int side, int sq) const {
    const int c = cell(sq);
    return c < board::kPieceCount && (p.piece[c].code & board::side_bit(side));
  }
  bool enemy(int sq) const { return piece_of(e, sq); }
  bool own(int sq) const { return piece_of(s, sq); }
  bool own_or_wall(int sq) const { return (p.piece[cell(sq)].code & board::side_bit(s)) != 0; }
  bool wall(int sq) const { return cell(sq) > board::kEmptyNumber; }
  // An enemy piece of the class (kind plus promotion).
  bool enemy_is(int sq, int klass) const { return enemy(sq) && cls(sq) == klass; }
  bool enemy_pawn(int sq) const { return enemy_is(sq, board::kPawn); }
  // A step written for sente, turned for the mover.
  int fwd(int offset) const { return s == 0 ? offset : -offset; }
  bool camp(int sq) const { return board::in_camp(s, sq); }
  bool own_camp(int sq) const { return board::in_camp(e, sq); }

  // ---- Attack terms --------------------------------------------------------
  int c(int side, int sq) const {
    return board::is_playing_square(sq) ? board::kiki_at(p, sq).direct_count[side] : 0;
  }
  int x(int side, int sq) const { return board::is_playing_square(sq) ? board::kiki_at(p, sq).xray_count[side] : 0; }
  int sup(int side, int sq) const { return c(side, sq) + x(side, sq); }
  bool held(int sq) const { return sup(e, sq) <= sup(s, sq); }
  bool covered(int sq) const { return c(s, sq) > 0 || c(e, sq) == 0; }
  // Piece n is among the side's direct attackers of the square.
  bool attacks(int side, int sq, int piece) const {
    return board::is_playing_square(sq) && board::kiki_has_direct(board::kiki_at(p, sq), side, piece);
  }
  uint64_t attackers(int side, int sq) const {
    return board::is_playing_square(sq) ? board::kiki_direct64(board::kiki_at(p, sq), side) : 0;
  }
  // The enemy attacks the square with a piece numbered `from` or more.
  bool enemy_attacks_from(int sq, int from) const { return (attackers(e, sq) >> from) != 0; }

  // ---- Hands ---------------------------------------------------------------
  int hand(int side, int kind) const { return p.hand[side][kind]; }
  bool in_hand(int kind) const { return p.hand[s][kind] > 0; }
  // No unpromoted pawn of the side on the square's file.
  bool file_free(int side, int sq) const { return p.pawn_file[side][board::square_file(sq)] == 0; }

  // ---- Output --------------------------------------------------------------
  bool accepts(int piece, int code, int promote, int drop, int to) const;
  bool searched(board::KMoveWord w) const { return tried_moves_contains(set, w); }
  // A board move of piece n from `from` to `to`: after the accept test and the
  // searched set it is written (capturing what stands on `to`); true when written.
  bool emit_board(int piece, int from, int to, int promote);
  // The same without the accept test.
  bool emit_board_unchecked(int piece, int from, int to, int promote);
  // A drop of piece n (in the mover's hand) onto `to`, after both tests.
  bool emit_drop(int piece, int to);
  // Whether the call already wrote the board move (from, to, code, promote) or
  // the drop (to, code): the capture generator's duplicate test.
  bool written_before(int from, int to, int code, int promote) const;
};

// The packed words the searched set holds.
board::KMoveWord board_word(const board::KPosition& p, int piece, int from, int to, int promote);

// ---- Last two moves ----------------------------------------------------------


// Classes (bit = code class) of the pieces whose quiet move may not be
// followed by a drop on its from-square once the opponent stepped onto its
// destination, per drop rule.
constexpr uint32_t class_bit(int cls) { return 1u << cls; }
constexpr uint32_t kReturnPawnRule = ~(class_bit(board::kBishop) | class_bit(board::kKnight) | class_bit(board::kKing));
constexpr uint32_t kReturnLanceRule = class_bit(board::kLance) | class_bit(board::kRook) | class_bit(board::kDragon);
constexpr uint32_t kReturnKnightRule = class_bit(board::kKnight);
constexpr uint32_t kReturnSilverRule = class_bit(board::kSilver) | class_bit(board::kDragon) | class_bit(board::kHorse);
constexpr uint32_t kReturnGoldRule = class_bit(board::kGold) | class_bit(board::kSilver | board::kPromotedBit) |
                                     class_bit(board::kKnight | board::kPromotedBit) |
                                     class_bit(board::kLance | board::kPromotedBit) | class_bit(board::kTokin) |
                                     class_bit(board::kDragon) | class_bit(board::kHorse);
constexpr uint32_t kReturnRookRule = class_bit(board::kRook) | class_bit(board::kDragon);
constexpr uint32_t kReturnBishopRule = class_bit(board::kBishop) | class_bit(board::kHorse);
// The class set of the drop rule of a kind (rook .. pawn).
uint32_t return_class_of_kind(int kind);

// The drop return rule: a drop on D is pointless when the opponent has just
// answered the mover's last move by capturing on its destination with a piece
// that can step straight back, and D is the square that piece came from (the
// mover's last move was a drop), or the square the mover's quiet move came from
// when that move was made by a piece of the rule's classes.
bool drop_return_fires(const GenCall& g, int d, uint32_t classes);
// The board-move return rule: a move from `from` to `to` is skipped when the
// mover's last move dropped a piece on `from` and the opponent's quiet move
// came from `to` with a piece that can step straight back.
bool board_return_fires(const GenCall& g, int from, int to);
// The pass rule of the sliders: after a pass, the piece that moved before may
// not go on along (or back along) its own line.
bool pass_rule_fires(const GenCall& g, int piece, int from, int to);
// The pass rule when the opponent passed, else the board-move return rule.
bool slider_return_fires(const GenCall& g, int piece, int from, int to);

// ---- Valuations ----------------------------------------------------------------

// The exchange mode (the game stage) as the tables index it: 0, 1 or 2. Inline:
// the generators read it for most moves they weigh.
inline int exchange_mode() { return std::clamp<int>(board::think_board.generator_words.game_stage, 0, 2); }
// The exchange gain of `side` starting with piece `first` on square sq holding
// a piece of class `cls` (0 empty), in the exchange mode's model.
int exchange_gain(const board::KPosition& p, int side, int cls, int sq, int first, int* out_first);
// The enemy's gain when the mover puts a piece of class `cls` on the square,
// its cheapest direct attacker taking first.
int enemy_gain_against(const GenCall& g, int cls, int sq);
// threshold(n): the row of the exchange mode (mode 2 reads mode 1's), n clamped to 0..39.
int gen_threshold(int n);
// value(piece, square): a piece of class `cls` of `owner` on the square: its
// fixed weight in exchange mode 0, else its king-relative worth.
int piece_worth(const board::KPosition& p, int owner, int cls, int sq);
// The enemy camp's open squares: empty, and not attacked directly by the
// enemy, or attacked once while the mover attacks it too. Counted once per call.
int open_camp_squares(GenCall& g);

}  // namespace search
