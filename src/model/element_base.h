// TElement: a numbered reference entry.
#pragma once

namespace zavlin {

// N is its key in its table, 0 until first stored.
class TElement {
public:
    virtual ~TElement() = default;
    int N = 0;
};

}  // namespace zavlin
