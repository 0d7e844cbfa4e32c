// The builders leave the base values as they are for now: each strategy is
// played from its base row alone.
#include "engine/eval/senkei_builders.h"

namespace eval {

void senkei_build_furibisha(const board::KPosition&, int) {}
void senkei_build_taifuri(const board::KPosition&, int) {}
void senkei_build_mikettei(const board::KPosition&, int) {}
void senkei_build_iyagura(const board::KPosition&, int) {}
void senkei_build_kakugawari(const board::KPosition&, int) {}
void senkei_build_shiken_mino(const board::KPosition&, int) {}
void senkei_build_funagakoi(const board::KPosition&, int) {}
void senkei_build_aifuri(const board::KPosition&, int) {}
void senkei_build_hidari_mino(const board::KPosition&, int) {}
void senkei_build_ibiana(const board::KPosition&, int) {}
void senkei_build_furiana(const board::KPosition&, int) {}
void senkei_build_nakazumai(const board::KPosition&, int) {}

}  // namespace eval
