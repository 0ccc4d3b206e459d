#pragma once
// A picture's settings put in place as a user would: the view in the state,
// the parameters on their scroll bars (running their change handlers) and the
// two refinement options. Used by the headless tools and by tests.

namespace vantorel {

struct PlotSettings {
    double view[4] = {-2.25, -1.5, 1.25, 1.5};  // XMIN YMIN XMAX YMAX
    int iterations = 1000;                      // 1..30000
    int step = 15;                              // 1..400
    int intensity = 500;                        // 0..1020
    bool refinement = true;
    bool synchronized = false;
};

void applyPlotSettings(const PlotSettings& settings);

}  // namespace vantorel
