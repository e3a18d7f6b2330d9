#pragma once

namespace kestrin {

class PageBar;

// The page bar paints its entries itself; this lets a screen reader meet each as a button with its
// caption, its down state and a press, and names the bar.
void exposeEntries(PageBar *bar);

} // namespace kestrin
