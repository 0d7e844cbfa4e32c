// Kifu: a game record as a directed acyclic graph. Position nodes are shared by
// every line that reaches the same position (found through the position table),
// move nodes join them, and each position node remembers its current outgoing and
// incoming move, so the current line ("the line") is the walk from the start
// node along the current outgoing moves. Ply n means the node with `tesu` n on it.
//
// The record owns its root pseudo-move and its table; the table owns the position
// nodes and each position node its outgoing moves (kifu_node.h). A position node
// is freed when its last incoming move is deleted.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/record/kifu_listener.h"
#include "model/record/kifu_node.h"
#include "model/record/pos_table.h"
#include "model/text/kstring.h"

namespace model {

// How AddSashiteAtPos treats positions already in the table: code 0 never joins,
// code 1 joins the first candidate, a callback picks one (its index, or a
// negative value for none) from the candidates in chain order.
class KifuChooser {
 public:
  using Callback = std::function<int(const std::vector<KifuKyokumen*>& candidates)>;
  static constexpr int kNever = 0;
  static constexpr int kFirst = 1;

  KifuChooser(int code) : code_(code) {}  // NOLINT: callers pass 0 or 1 as the record formats do
  KifuChooser(Callback callback) : code_(2), callback_(std::move(callback)) {}  // NOLINT

  bool joins() const { return code_ != kNever; }
  // The chosen index among `candidates`, or -1.
  int Choose(const std::vector<KifuKyokumen*>& candidates) const;

 private:
  int code_;
  Callback callback_;
};

// A graph with its headers built apart from any record (by a file reader) and
// handed to one with Kifu::TakeOver.
struct KifuBody {
  std::unique_ptr<KifuSashite> root;   // special code 12; root->to is the start node
  std::unique_ptr<PosTable> table;     // holds the start node
  KStringList headers;                 // extra header lines, key and value in turn
  KString names[2];
  KString date;
  KString title;
  KString event;

  // A root pseudo-move and an even-game start node (tesu 0) in a new table. A
  // reader that changes the start position re-enters the node with
  // table->Rehash(root->to).
  KifuBody();
  KifuKyokumen* Start() const { return root->to; }
};

class Kifu {
 public:
  // Value meaning "no value" in an analysis block.
  static constexpr int32_t kNoValue = KifuHyouka::kNoValue;

  // A root pseudo-move, an even-game start node in a new table, empty headers;
  // no listener, notification off, list_limit -1.
  Kifu();
  ~Kifu();
  // CopyHeaders: the five header strings, every extra header line and a deep copy
  // of the whole graph (node order in every array kept). The copy has no listener.
  Kifu(const Kifu& other);
  Kifu& operator=(const Kifu&) = delete;

  KifuKyokumen* Start() const { return root->to; }

  // ---- Graph (kifu.cpp) ----

  // Inserts move `m` after `node`, or finds it: an outgoing move equal in all
  // eight bytes is returned as it is (made current when `select`). Otherwise a new
  // move node gets `seconds`, a copy of `hyouka` (or a reset block) and goes to
  // `index` (-1 or past the end appends; current when `select`). Without a table
  // it stays unattached. With one, the position after the move is joined, when the
  // chooser allows, to a node of the table holding it that is neither `node` nor
  // one of its ancestors (so no cycle arises); else it gets a new node one ply
  // deeper. Special moves never join. An ordinary move that the position refuses
  // (Kyokumen::DoSashite) is not added: null.
  static KifuSashite* AddSashiteAtPos(KifuKyokumen* node, const Sashite& m, int seconds,
                                      const KifuHyouka* hyouka, int index, PosTable* table,
                                      const KifuChooser& chooser, bool select);
  // Removes outgoing move `index` of `node` (out of range: the current one) and
  // everything that only it reached; `table` is the table holding the nodes.
  static void DeleteNext(KifuKyokumen* node, int index, PosTable* table);
  // Removes `move` from its to-node's incoming moves, deletes that node with its
  // lines when nothing else leads to it, and clears `to`.
  static void DetachMove(KifuSashite* move, PosTable* table);
  // Adds every line of `source` (another graph) to `target`, joining positions
  // already in `table`; comments that differ are appended, and a move without
  // a bookmark takes the source's.
  static void MergeLines(KifuKyokumen* target, const KifuKyokumen* source, PosTable* table);
  // True when `candidate` is `node` or is reached from it by walking incoming
  // moves backwards: joining a move from `node` to it would close a cycle.
  static bool IsAncestorOrSelf(const KifuKyokumen* node, const KifuKyokumen* candidate);
  // Down the line from `node`: each node's current incoming move becomes the move
  // that leads to it and `tesu` is renumbered from `node`'s.
  static void RenumberLineFrom(KifuKyokumen* node);

  // Reorders every node's incoming moves into depth-first arrival order from the
  // root (the current way in stays current). The record writers rely on it.
  void SortIncoming();
  // Installs a graph built by a reader. Without merge the body replaces the moves,
  // table and headers; with merge its lines are added at the node holding its
  // start position, and -1 (record unchanged) when there is none. The first line
  // is selected. The body is consumed in both cases.
  int TakeOver(KifuBody&& body, bool merge);
  // Stores the listener and switches notification on (rebuilding the list); a
  // null listener switches it off.
  void SetListener(KifuListener* l);

  // ---- Queries and navigation (kifu_navigation.cpp) ----

  // Number of moves on the line.
  int GetTesu() const;
  // The move leading to `ply` on the line (the root for ply <= 0), or null.
  KifuSashite* NodeAtTesu(int ply) const;
  // From `move`, the move leading to `ply` along current outgoing (forward, stops
  // at the end of the line) or incoming (backward) moves, and its to-node.
  KifuSashite* FindByTesu(KifuSashite* move, int ply, KifuKyokumen** node) const;
  // `move` if it lies on the line, else null.
  KifuSashite* FindOnLine(const KifuSashite* move) const;
  // The move after `move` in depth-first order (null: the root; null at the end).
  // Every move is visited once; a shared position's lines are entered only
  // through its first incoming move.
  KifuSashite* NextKifuSashite(const KifuSashite* move) const;
  // Header by key: 先手/下手 and 後手/上手 the names, 対局日, 表題, 棋戦, else an
  // extra header line's value; null when absent.
  const char* GetHeader(const char* key) const;

  // Chooses outgoing move n at ply's position (relative: current + n, wrapped) and
  // makes the new line current down to its end.
  bool SelectBranch(int ply, int n, bool relative);
  // Chooses incoming move n at ply's position and makes the way back to the
  // start the line.
  bool SelectPrevLine(int ply, int n, bool relative);
  // Along the line, moves each current outgoing move to index 0.
  void MakeMainLine();
  // Walks from `move` to `ply` (negative: the root) along the line.
  KifuSashite* GoToTesu(KifuSashite* move, int ply);
  // The outgoing move of `move`'s to-node at `index` (out of range: the current
  // one; `move` itself at the end of the line) / the incoming move of its
  // from-node. Both report the reached ply like GoToTesu.
  KifuSashite* SelectNext(KifuSashite* move, int index);
  KifuSashite* SelectPrev(KifuSashite* move, int index);
  // Reports the ply to the listener (whenever one is set).
  void NotifyTesu(int ply);
  // With a listener: notification on (rebuilding the list) or off.
  void SetNotify(bool on);

  // ---- Editing (kifu_edit.cpp) ----

  // Adds (or finds) a move after ply's position, selected; null when the line is
  // shorter or the move is refused.
  KifuSashite* AddSashite(int ply, const Sashite& m, int seconds, const KifuHyouka* hyouka,
                          int index, const KifuChooser& chooser);
  // Deletes outgoing move `index` of ply's position with what only it reached.
  bool DeleteBranch(int ply, int index);
  // Deletes every move; clears the root's comment and bookmark; selects ply 0.
  // True when there were moves.
  bool ClearMoves();
  // Replaces the start position; refused (false) while the record has moves.
  bool SetStartPosition(const Kyokumen& kyokumen);
  // An empty record from Kyokumen::Init(teaiwari) without headers.
  void Reset(int32_t teaiwari);
  // Sets an extra header line (replacing the value of an equal key); false for
  // an empty key.
  bool SetHeader(const char* key, const char* value);
  void ClearHeaders();
  // Sets the comment of the move leading to `ply`, trailing blanks removed; false
  // when it is unchanged or there is no such ply. Reports SetMarks to a listener.
  bool SetComment(int ply, const char* text);
  void ClearComments();
  // The seconds of a move on the line; false for a move off it.
  bool SetSashiteTime(KifuSashite* move, int seconds);
  // The seconds of every move; false when there is no move.
  bool SetAllTimes(int seconds);
  // Resets the analysis of every ordinary move on the line.
  void ClearHyoukaOnLine();
  // Along the line up to the first special move, every move made by `side`
  // loses its value and second counter.
  void ClearHyoukaForSide(int side);
  void ClearVisitMarks();

  // ---- Move list (kifu_list.cpp) ----

  // Rebuilds the listener's move list from `ply` (switching notification on).
  void RefreshList(int ply);

  // ---- Fields ----
  std::unique_ptr<KifuSashite> root;
  KifuListener* listener = nullptr;
  bool notify = false;
  int32_t list_limit = -1;  // -1: the list shows the whole line; else up to this ply
  KString names[2];         // sente's (or the receiver's), gote's (or the giver's)
  KString date;             // 対局日
  KString title;            // 表題
  KString event;            // 棋戦
  KStringList headers;      // extra header lines: key, value, key, value, ...
  std::unique_ptr<PosTable> table;

 private:
  bool notifying() const { return listener && notify; }
  // RefreshList when notifying.
  void Changed(int ply);
  // Every node's outgoing current = 0 and the first line renumbered.
  void SelectFirstLine();
  // The position node of `ply` on the line, or null.
  KifuKyokumen* NodeOfPly(int ply) const;
  void DeleteAllMoves();
  // Reports a reached ply as GoToTesu does, `from_ply` being where the walk began.
  void ReportReached(int from_ply, int reached);
};

}  // namespace model
