// The board layer's process-wide state. Every word and table below lives for the
// whole process and is used on the computer thread only; each is declared (or,
// for those private to one file, defined) where named. Who writes it, and when it
// is reset:
//
// - The board's per-think state think_board (think_board.h), one record of the
//   three below: the per-ply table, the generator settings and the check stamps.
// - The per-ply table think_board.ply_table (ply_table.h), one record of:
//   search_ply_counter, the current ply: do_move raises it and undo_move
//   lowers it, flag or not; pos_table_init resets it to 0.
//   ply_squares, ply_list_head: each ply's attack changes and its
//   list of weakened squares. do_move and undo_move with their flag set write the
//   layer of the current ply (do_move empties its list first); pos_table_init
//   clears every change counter. During a ply's stage generation
//   target_list_extend (target_list.h), also run by sashite_pair_key_drop,
//   appends to the list that the move into the ply built.
// - The undo records (make_move.cpp), one record of the undo logs: per ply
//   of the search-ply counter (the first 64), the attack records and change
//   counters that do_move changed, which undo_move copies back (a mover that
//   only steps changes its own attacks outside the log); with the make
//   numbers that mark which records a make has kept. Each do_move writes its
//   ply's log; nothing else reads them.
// - The start template (position_setup.cpp): the piece numbers pos_clear and
//   pos_place_template set up. pos_set_handicap edits it; it stays in force until
//   the next pos_set_handicap (0 restores the even game).
// - The random state (random.cpp): rand_seed sets it; rand_next steps it.
// - The transposition table (hash_table.h): hash_alloc sizes and empties it,
//   hash_clear empties it, hash_free releases it; the search probes and stores,
//   the mate checks set marks and a think preloads its learning records.
// - The repetition tables (repetition.h): the search pushes and truncates the
//   search-path table, path_rep_clear empties it; kifu_rep_add counts the game's
//   positions, kifu_rep_clear empties that table.
// - think_board.generator_words (generator_words.h), the think's board settings game_stage
//   and threat_word: written by the search at the start of each think; read
//   by the generators, which take no context.
// - The links into the evaluation's set-up eval_links (eval_links.h), one
//   record of: senkei_current, set by the evaluation's set-up; null (every
//   strategy bonus 0) until then. eval_stage_tables, king_rel_table: pointed at
//   the evaluation's stage block and king-relative table by its set-up; null
//   until then. The exchange evaluator (exchange_eval.h) reads the stage block,
//   so nothing calls it before a set-up.
#pragma once

#include "engine/board/eval_links.h"
#include "engine/board/exchange_values.h"
#include "engine/board/hash_table.h"
#include "engine/board/ply_table.h"
#include "engine/board/random.h"
#include "engine/board/repetition.h"
#include "engine/board/strategy_cells.h"
#include "engine/board/think_board.h"
