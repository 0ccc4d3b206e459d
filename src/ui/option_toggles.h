#pragma once
// Successive refinement, synchronized mode, picture saving and deep zoom.

namespace vantorel {

void mnusuccessive_Click();
void mnusynchronized_Click();
void mnusavingenabled_Click();
void mnudeepzoom_Click();  // "Deep zoom": views past what doubles resolve drawn deep, or not
void cmdSuccessiverefinement_Click();
void cmdsynchronizedmode_Click();
void cmdpicturesaving_Click();

}  // namespace vantorel
