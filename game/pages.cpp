// The pages' hint sounds and their own announcement when the player comes within reach.
#include "audio/sound.h"
#include "game/game.h"
#include "game/rules.h"
#include "game/state.h"
#include "runtime/runtime.h"

namespace {

bool AnyPageWithinReach() {
  GameGlobals& g = Game();
  for (int32_t i = 1; i <= kPageCount; ++i) {
    if (Distance(g.player.x, g.player.y, g.pages[i].x, g.pages[i].y) < rules::kPageReach)
      return true;
  }
  return false;
}

void UpdatePage(int32_t i) {
  GameGlobals& g = Game();
  Page& page = g.pages[i];
  if (Distance(g.player.x, g.player.y, page.x, page.y) < g.audibleRange) {
    if (page.cueTimer < 1) PlayCue("physics/note", kPositioned, page.x, page.y, kOnce);
    page.cueTimer += 1;
    if (page.cueTimer >= rules::kHintPeriodTicks) page.cueTimer = 0;
  }
  if (Distance(g.player.x, g.player.y, page.x, page.y) < rules::kPageReach &&
      g.pageAnnounced == 0) {
    g.pageAnnounced = 1;
    PlayCue("pages/page" + IntToString(i), kCentred, g.player.x, g.player.y, kOnce);
  }
}

}  // namespace

void UpdatePages() {
  GameGlobals& g = Game();
  for (int32_t i = 1; i <= kPageCount; ++i) {
    if (g.pages[i].active != 0) UpdatePage(i);
  }
  // Taken pages count too: standing on one keeps the announcement spent.
  if (g.pageAnnounced == 1 && !AnyPageWithinReach()) g.pageAnnounced = 0;
}
