// KifuListener: how a game record tells the user interface about its move list.
// The record calls it only while a listener is set and notification is on, except
// where Kifu's header says otherwise.
#pragma once

namespace model {

// Flag bits of a move-list line (AddLine) and of SetMarks.
enum KifuLineFlag : int {
  kLineComment = 1,          // the move has a non-empty comment
  kLineBranch = 2,           // the position the move starts from has alternatives
  kLineShowAnalysis = 4,     // the move's analysis block has its display flag set
  kLinePrevShowAnalysis = 8, // so has the move before it (AddLine only)
};

class KifuListener {
 public:
  virtual ~KifuListener() = default;

  // Clear the whole move list.
  virtual void Reset() = 0;
  // Append the line of one ply: its notation ("12：▲７六歩"), the principal
  // variation or analysis text, the annotation word, the seconds used, the value
  // (32767 = none) and KifuLineFlag bits.
  virtual void AddLine(int ply, const char* line, const char* analysis, const char* annotation,
                       int seconds, int value, int flags) = 0;
  // Remove the last line.
  virtual void DeleteLast() = 0;
  // Remove every line from this ply on.
  virtual void Truncate(int ply) = 0;
  // A batch of changes starts / ends.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  // The current ply changed.
  virtual void SelectPly(int ply) = 0;
  // The comment flags of a ply changed (kLineComment, kLineBranch).
  virtual void SetMarks(int ply, int flags) = 0;
  // The value shown for a ply changed.
  virtual void SetValue(int ply, int value) = 0;
  // The ply whose line the user has selected, or -1.
  virtual int GetSelection() = 0;
};

}  // namespace model
