#include "app/review_analysis.h"

#include <memory>

#include "app/comp_call.h"
#include "app/interrupt.h"
#include "engine/driver/message_queue.h"
#include "model/formats/pv_text_reader.h"
#include "model/position/sashite_decode.h"
#include "platform/mailbox.h"

namespace app {

namespace {

constexpr int kHundredthsPerSecond = 100;
// A timed think goes at most this deep, as velkora think's does.
constexpr int kTimedDepth = 16;
// The wait for the computer thread wakes this often to see Ctrl-C.
constexpr uint32_t kWaitMs = 10;
// No square before the first move (同 has nothing to refer to).
constexpr int kNoSquare = -1;

// Asks for the think on the holder's current position.
void request_think(CompCall& comp, platform::Mailbox& view, const model::KifuHolder& holder,
                   const ReviewThink& how) {
  const int hundredths = how.seconds * kHundredthsPerSecond;
  if (how.depth > 0) {
    comp.ChubanDepth(holder, how.depth, 0, hundredths, 0);
  } else {
    driver::MessageQueue::CreateGlobal(&view, kMsgQueue);
    comp.Chuban(holder, 0, hundredths, 0, kTimedDepth);
  }
}

// Waits for the think's move message, dropping the variations it reports; a
// Ctrl-C stops the think once. False when it was stopped.
bool wait_think(CompCall& comp, platform::Mailbox& view) {
  bool stopped = false;
  for (;;) {
    if (InterruptGuard::interrupted() && !stopped) {
      stopped = true;
      comp.Stop();
    }
    platform::WindowMessage message;
    const bool woke = view.Wait(message, kWaitMs);
    while (driver::MessageQueue::PopGlobal()) {
    }
    if (woke && message.id == kMsgComputerMove) return !stopped;
  }
}

// Writes the think's block on `move` as a game writes it on the computer's
// move: the move itself heads the variation, whose second move is the reply
// the think expected. The user's annotation stays.
void store(model::KifuSashite& move, const model::KifuHyouka& result) {
  model::KifuHyouka block = result;
  block.annotation = move.hyouka.annotation;
  block.pv.insert(block.pv.begin(), model::sashite_encode(move.sashite));
  block.predicted_reply = static_cast<int32_t>(block.pv.size() > 1 ? block.pv[1] : 0);
  move.hyouka = block;
}

}  // namespace

std::vector<model::KifuSashite*> moves_of_side(model::Kifu& kifu, int side) {
  std::vector<model::KifuSashite*> moves;
  for (model::KifuSashite* m = kifu.Start()->next.Current(); m && m->to; m = m->to->next.Current()) {
    if (m->sashite.special != model::kOrdinaryMove) break;
    if (m->from->kyokumen.teban == side) moves.push_back(m);
  }
  return moves;
}

bool carries_values(const std::vector<model::KifuSashite*>& moves) {
  for (const model::KifuSashite* m : moves) {
    if (m->hyouka.value != model::KifuHyouka::kNoValue) return true;
  }
  return false;
}

void restore_variations(model::Kifu& kifu) {
  const model::KifuSashite* prev = nullptr;
  for (model::KifuSashite* m = kifu.Start()->next.Current(); m && m->to; m = m->to->next.Current()) {
    if (m->sashite.special != model::kOrdinaryMove) break;
    model::KifuHyouka& h = m->hyouka;
    if (h.value != model::KifuHyouka::kNoValue && h.pv.empty() && !h.text.empty()) {
      // The text begins with the move itself, 同 against the move before it.
      model::pv_from_text(m->from->kyokumen, h.text, prev ? prev->sashite.to_x : kNoSquare,
                          prev ? prev->sashite.to_y : kNoSquare, h.pv);
      if (h.pv.size() > 1) h.predicted_reply = static_cast<int32_t>(h.pv[1]);
    }
    prev = m;
  }
}

bool think_on_moves(model::KifuHolder& holder, const std::vector<model::KifuSashite*>& moves,
                    const ReviewThink& how, const ReviewProgress& progress) {
  int done = 0;
  bool stopped = false;
  platform::Mailbox view;
  {
    CompCall comp(&view);
    comp.job().no_book = 1;
    comp.GameInit(0, 0, false);
    for (model::KifuSashite* move : moves) {
      stopped = InterruptGuard::interrupted();
      if (stopped) break;
      holder.SetCurrent(move);
      request_think(comp, view, holder, how);
      stopped = !wait_think(comp, view);
      if (stopped) break;
      const model::KifuHyouka& result = comp.job().hyouka;
      // A position with no move to think about (the move mated) gets no block.
      if (result.value == model::KifuHyouka::kNoValue) continue;
      store(*move, result);
      ++done;
      progress(done, static_cast<int>(moves.size()), *move);
    }
  }  // the computer thread has ended: no job runs while the queue goes
  driver::MessageQueue::DestroyGlobal();
  return !stopped;
}

}  // namespace app
