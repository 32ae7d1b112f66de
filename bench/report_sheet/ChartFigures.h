#pragma once
// --chart-data: the chart figures of a result of 100,000 groups (ChartDataOfSheet), and what the
// .xlsx chart worksheet adds to the export of that result.
int ChartFiguresBench();
