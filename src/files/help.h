#pragma once
// The information window's two help texts and the about box.

#include <string>

namespace vantorel {

void mnumandel_Click();  // "Mandel...?"
void howto_Click();      // "How to use the program"
void mnuabout_Click();   // "About"
// Load handler of the information window: sizes the text box and reads the
// chosen help text from beside the executable, else from the installed
// share/vantorel.
void Form2_Load();

// The about box's message: eight lines joined by CR LF.
std::string aboutText();
// The home page the about box offers: the README shipped with the program
// (beside it, else in the installed share/doc/vantorel), as a local file address.
std::string homePageAddress();

}  // namespace vantorel
