#pragma once
// Tick marks a person can count: a track bar over a wide range whose value
// moves by one would draw a mark per value, and the marks merge into a bar.

// The spacing of the marks of a slider over minimum..maximum that moves by
// step: step times 1, 2 or 5 times a power of ten, the smallest that leaves
// at most maxIntervals gaps. A step below 1 counts as 1.
int ReadableTickInterval(int minimum, int maximum, int step, int maxIntervals = 10);
