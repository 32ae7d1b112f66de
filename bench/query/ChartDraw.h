#pragma once
// The chart window on a large result: a sheet of 100,000 result rows (as many groups of the first
// dimension, 50 of the second), the chart's figures read from it, the chart built and drawn
// offscreen (the view grabbed), for the plain and the stacked bars. Target: under 100 ms.
int ChartDrawBench(int reps);
