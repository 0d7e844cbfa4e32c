// The one-way queue of progress messages from the engine to the view: the
// principal variations of the think (each new best line, and the last one for
// the whole think), the node count and time while an iteration runs long, and
// the opening-book candidates of the position being thought about. A variation
// carries the engine's move words; the view turns them into moves on its
// position through the bridge (bridge::word_to_sashite). The computer thread
// pushes and wakes the view with a posted window message; the view pops and
// shows each message. There is one queue in the process, made for a window before a think
// and destroyed after the computer's move arrived, both while no job runs.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/board/position.h"
#include "model/position/kyokumen.h"
#include "model/position/sashite.h"
#include "platform/critical_section.h"
#include "platform/mailbox.h"

namespace driver {

// Message types.
enum MessageType : int32_t {
  kMessagePv = 0,          // a principal variation
  kMessageBook = 1,        // an opening-book candidate
  kMessagePvFlagged = 4,   // a principal variation of a flagged think (a mate found at the root)
  kMessageProgress = 5,    // the think's progress: its nodes and ms so far (no moves, no text)
};

// A move in board coordinates, as a book candidate is shown: files and ranks
// 1-9; for a move word (message_entry) a drop has from_file 0 and the dropped
// piece's engine kind (1-7) as from_rank.
struct MessageEntry {
  uint8_t side;     // 0 sente, 1 gote
  uint8_t promote;
  int8_t from_file;
  int8_t from_rank;
  int8_t to_file;
  int8_t to_rank;
};

struct MessageItem {
  static constexpr int kMaxEntries = 20;

  MessageItem* next = nullptr;
  uint32_t a = 0;          // for a variation the search's value word, for a candidate its value
  uint32_t b = 0;          // for a variation the search's depth word
  int32_t type = 0;        // MessageType; any other value is a text message
  char* text = nullptr;    // a text message's own copy of its text
  int32_t count = 0;       // moves used (a variation 0-20, a book candidate 1); 0 for a text
  board::KMoveWord moves[kMaxEntries] = {};  // a variation's engine move words, passes left out
  MessageEntry candidate = {};               // a book candidate's move
  uint32_t nodes = 0;      // for a variation or a progress report: nodes searched and ms spent so far
  uint32_t ms = 0;

  MessageItem() = default;
  MessageItem(const MessageItem&) = delete;
  MessageItem& operator=(const MessageItem&) = delete;
  ~MessageItem() { Free(); }

  // Stores a, b and type; for a variation copies min(count, 20) move words of
  // `data`, for a book candidate one MessageEntry (a count below 1 or no data
  // gives none), for any other type (a text; a progress report has none)
  // copies `data` as a zero-terminated text (null gives none).
  void Init(uint32_t a, uint32_t b, int32_t type, int32_t count, const void* data);
  // Frees the text.
  void Free();
};

class MessageQueue {
 public:
  // Replaces the process's queue (freeing what the old one held) by an empty
  // one that notifies `window` with `msg_id`. Returns 0.
  static int CreateGlobal(platform::Mailbox* window, uint32_t msg_id);
  // Frees the queue and every message in it. Returns 0.
  static int DestroyGlobal();
  // Appends a message built by MessageItem::Init and notifies the window;
  // dropped when there is no queue. Returns 0.
  static int PushGlobal(uint32_t a, uint32_t b, int32_t type, int32_t count, const void* data);
  // Appends a prepared message and notifies the window; dropped when there is
  // no queue. Returns 0.
  static int PushItemGlobal(std::unique_ptr<MessageItem> item);
  // The oldest message, null when there is none (or no queue).
  static std::unique_ptr<MessageItem> PopGlobal();

  ~MessageQueue();

 private:
  MessageQueue(platform::Mailbox* window, uint32_t msg_id) : window_(window), msg_id_(msg_id) {}
  void Append(MessageItem* item);
  MessageItem* Pop();
  // Wakes the window, trying a few times; a failed notification leaves the
  // message queued for the next one.
  void Notify();

  MessageItem* tail_ = nullptr;
  MessageItem* head_ = nullptr;
  platform::Mailbox* window_;
  uint32_t msg_id_;
  platform::CriticalSection lock_;  // guards head_ and tail_
};

// The board coordinates of a move word, for a view that shows squares without
// a position (the game-model move of a word is bridge::word_to_sashite's).
MessageEntry message_entry(board::KMoveWord word);

// The game-model moves of a variation message replayed from `start`, the
// position thought about, into `out` (room for kMaxEntries moves): each word
// converted at the bridge on the position before it, up to the first that does
// not convert or play there. A word of the side not to move (the other side
// passed) turns the side to move and is left out. Returns the count of moves.
int variation_moves(const MessageItem& item, const model::Kyokumen& start, model::Sashite* out);

// Pushes a variation of up to 20 move words (passes skipped) as one message of
// type 4 when `flag` is set, else type 0, keeping `nodes` and `ms`. Returns 0.
int send_pv_message(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes,
                    uint32_t ms);

// Pushes a progress report (type 5, no text) with the think's nodes and ms so far. Returns 0.
int send_progress_message(uint32_t nodes, uint32_t ms);

// Registers the position whose book candidates are reported (null unregisters).
void book_candidate_position(const board::KPosition* p);
// Pushes a type-1 message for a candidate given in the mover's view (from_x 0
// with from_y 0: nothing): mirrored when the registered position has gote to
// move. Nothing without a registered position.
void book_candidate_message(int from_x, int from_y, int to_x, int to_y, int promote, int value);

}  // namespace driver
