#pragma once
// Successive refinement, synchronized mode and picture saving.

namespace vantorel {

void mnusuccessive_Click();
void mnusynchronized_Click();
void mnusavingenabled_Click();
void cmdSuccessiverefinement_Click();
void cmdsynchronizedmode_Click();
void cmdpicturesaving_Click();

}  // namespace vantorel
