// A second X client for the X11 display's test, kept apart because Xlib's
// macros clash with GoogleTest's names.
#pragma once

#include <memory>
#include <string>

namespace kmxtest {

class XClient {
  public:
    // Connects to DISPLAY; Connected() tells whether that worked.
    explicit XClient(const std::string& display);
    ~XClient();
    bool Connected() const { return display_ != nullptr; }
    // Moves the X pointer to screen point (x, y) and waits for the server.
    void WarpPointer(int x, int y);
    // Where the X server has the pointer.
    void QueryPointer(int* x, int* y);

  private:
    void* display_;
};

}  // namespace kmxtest
