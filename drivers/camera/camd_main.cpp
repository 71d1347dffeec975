// kmx512-camd: the camera driver service and its control commands.
#include "control.h"

#include <signal.h>

#include <iostream>

int main(int argc, char** argv) {
    // A client that goes away mid-answer must not end the service.
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::cerr << "usage: kmx512-camd serve [--plug PROFILE[:SERIAL]]... [--daemon] [--profiles "
                     "FILE]\n"
                     "       kmx512-camd plug PROFILE [--serial S] | unplug SERIAL | list\n"
                     "       kmx512-camd fault SERIAL CODE (status N | wrong-length | unwritten | "
                     "stall | drop) [count N]\n"
                     "       kmx512-camd clear-faults SERIAL | props SERIAL | activity SERIAL | "
                     "frames SERIAL | "
                     "wake | stop\n";
        return 2;
    }
    if (words[0] == "serve")
        return kmxcam::Serve({words.begin() + 1, words.end()}, std::cout, std::cerr);
    return kmxcam::RunControlCommand(words, std::cout, std::cerr);
}
