#pragma once

namespace vantorel {

void mnusavepicturebmp_Click();  // "&Bitmap format (bmp)"

}  // namespace vantorel
