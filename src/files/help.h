#pragma once
// The information window's two help texts and the about box.

namespace vantorel {

void mnumandel_Click();  // "Mandel...?"
void howto_Click();      // "How to use the program"
void mnuabout_Click();   // "About"
// Load handler of the information window: sizes the text box and reads the
// chosen help text from beside the executable.
void Form2_Load();

} // namespace vantorel
