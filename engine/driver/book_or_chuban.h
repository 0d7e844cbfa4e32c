// The decision step of every think job: an immediate win, a move of the
// opening book, or the think routine under the game's strategy restrictions;
// the answer becomes the move to play and the think-result block.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/board/hash_table.h"
#include "engine/board/position.h"
#include "engine/driver/comp_job.h"
#include "model/record/kifu_hyouka.h"

namespace driver {

// Results of choose_book_or_chuban.
enum ChoiceResult : int {
  kChoiceMove = 0,
  kChoiceNoMove = -1,          // the search returned no move
  kChoiceKingCapturable = -5,  // the side to move can capture the enemy king
  kChoiceStopped = -6,         // a stop came before the search began
};

// The think's depth limit: the job's nominal depth clamped to 1..16.
int32_t think_depth(const CompJob& job);
// The number of book candidates a book move needs to end the think:
// max(1, book_min) of the job.
int book_count_threshold(const CompJob& job);
// True in normal play (book_min 0).
bool book_normal_play(const CompJob& job);

// The think result before anything is chosen: second move 0, no value, empty
// variation, result kind 4.
void think_result_reset(model::KifuHyouka& hyouka);

// Chooses the move of `cur`, the position after the `ply` moves of `root`,
// for the think job `job`: -5 when the side to move attacks the enemy king (the
// value ±32766 for sente / gote to move); else the book's move (when the job
// has a book, does not switch it off, the ply allows it (up to 10 unless
// book_any_ply) and it reported at least max(1, book_min) candidates; its
// strategy word replaces the side's senkei_played even when the search
// decides; a book move taken is reported as a one-move variation of depth 0);
// else the think routine with the job's request (depth, times, style, the
// strategy word senkei_sofar, the learning rings of its style), the game's
// strategy words and hopeless score. On 0 `out` holds the move (a pass when
// the search chose one), job.hyouka the value from sente's view, the
// variation, the predicted reply, the result kind (1 book, 2-4 by game stage,
// 5 mate found at the root) and the threat flag, and job.senkei_sofar the
// strategy word for the next think (0 after a book move; kept after a mate
// found at the root).
int choose_book_or_chuban(CompJob& job, KPositionHistory& root, board::KPosition& cur, int ply, board::KMove& out);

// The mate-match variant: the book's move when there is a book, else the mate
// solver's game move for the position after root's last move, with `limit`.
// 0 when `out` holds a move (its from byte is not 255), else -2.
int kelmor_book_or_mate(board::KPosition& cur, JosekiBooks* book, KPositionHistory& root, board::KMove& out,
                        int32_t limit);

}  // namespace driver
