#pragma once

// A text taken from a download line: a view of the reader's buffer while that holds the
// line, else of the text's own copy, which keeps its room from text to text. The billing
// imports keep a meter's lines and texts this way and copy them only before a read that
// refills the buffer.

#include <string>
#include <string_view>

namespace dovrex {

class BufferedText {
public:
    void assign(std::string_view text) { mView = text; }
    // Room for a copy of a text of size bytes, which the text is from then on.
    char* Room(size_t size) {
        mOwn.resize(size);
        mView = mOwn;
        return mOwn.data();
    }
    // The text's own copy, made before the buffer it views is refilled.
    void Own() {
        if (mView.empty() || mView.data() == mOwn.data()) return;
        mOwn.assign(mView);
        mView = mOwn;
    }
    void clear() { mView = {}; }
    bool empty() const { return mView.empty(); }
    operator std::string_view() const { return mView; }

private:
    std::string_view mView;
    std::string mOwn;
};

} // namespace dovrex
