#pragma once

// Some decoding libraries (dav1d, under libheif) start as many threads of their own as the calling
// thread may use processors. The picture preloader already decodes one picture per processor: two
// such decodes side by side would run twice as many threads as there are processors, which costs
// more than it gives (measured on two cores: AVIF sets 4-7% slower, a third more system time).
// While another such decode is under way, the calling thread is held on the processor it is on,
// so that the library sizes its pool for one; a decode alone keeps every processor for itself.
// The restriction lasts as long as this object, on the thread that made it.
class SharedProcessors {
public:
    SharedProcessors();
    ~SharedProcessors();
    SharedProcessors(const SharedProcessors&) = delete;
    SharedProcessors& operator=(const SharedProcessors&) = delete;

    // Whether this thread was held on one processor.
    bool held() const { return held_; }

private:
    bool held_ = false;
    unsigned char before_[128]; // the thread's processors before, as the system gives them
};
