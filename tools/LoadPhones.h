#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace korvane {

// What a load run sends at the server. Every peer talks to 127.0.0.1 only; the run ends when the
// honest phones have made all their requests, the flooder has sent its count of keys and the hold
// time is over, or at the time limit.
struct LoadPlan {
    std::uint16_t port = 0;
    int phones = 1;          // honest phones at once, each one request per connection, in a loop
    long requests = 1000;    // honest conversations in all
    int capturePercent = 0;  // share of them that ask for a capture (code 103) instead of 101
    int slow = 0;            // peers that send a 101 one byte every slowByteMs, in a loop
    int slowByteMs = 50;
    int vanish = 0;     // peers that send half a request and close, in a loop
    int oversized = 0;  // peers that declare a body far beyond any request, in a loop
    int silent = 0;     // connections that never send, held until the end
    int lingering = 0;  // peers that take a 101's reply and never close, in a loop
    int noAck = 0;      // peers that ask for a capture and never acknowledge it, in a loop
    // A stranger sending settings checks (101), each under a fresh client key, one every
    // freshKeyMs from one address; 0: none. At most freshKeys of them (0: until the run ends).
    int freshKeyMs = 0;
    long freshKeys = 0;
    double holdSeconds = 0;  // the least time the run lasts
    double timeLimitSeconds = 60;
    int replyTimeoutMs = 30000;  // an honest conversation slower than this is an error
};

// What the peers saw.
struct LoadReport {
    double seconds = 0;
    long completed = 0;                  // honest conversations with the expected reply
    std::vector<double> latenciesMs;     // of those, connect to reply
    std::map<std::string, long> errors;  // honest conversations that failed, by reason
    long captureBytes = 0;               // capture file bytes received
    long slowCompleted = 0;
    std::map<std::string, long> slowErrors;
    long vanished = 0;  // half requests sent and abandoned
    long oversizedSent = 0;
    long oversizedClosed = 0;  // ... that the server closed within 5 s
    long silentConnected = 0;
    long silentClosedByServer = 0;       // silent connections the server closed by itself
    double silentFirstCloseSeconds = 0;  // when the first of them was closed
    long lingeringReplies = 0;           // replies the lingering peers took
    long lingeringClosed = 0;            // ... and then were closed by the server
    long noAckFiles = 0;                 // capture files the unacknowledging peers took
    long noAckClosed = 0;                // ... and then were closed by the server
    long freshKeysSent = 0;              // settings checks under fresh keys sent
    long freshKeysAnswered = 0;          // ... and answered
    bool timedOut = false;
};

// Runs the plan from the calling thread alone (one poll loop for every peer). `tick` is called
// about every 100 ms with the seconds since the start.
LoadReport runLoad(const LoadPlan& plan, const std::function<void(double)>& tick);

// The p-th percentile (0 to 100) of the values, nearest rank; 0 for none.
double percentile(std::vector<double> values, double percent);

}  // namespace korvane
