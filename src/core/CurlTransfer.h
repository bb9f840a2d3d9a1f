#pragma once
// One HTTP transfer run by CurlWorker. Every method is called on the worker's thread, one at a
// time; only when the worker could not start at all is abort() called on the adding thread.

#include <curl/curl.h>

#include <string>

namespace pd {

class CurlTransfer {
  public:
    virtual ~CurlTransfer() = default;

    // Sets the options of a fresh (or reset) easy handle. False means the transfer cannot run;
    // it has then reported its own end and is dropped.
    virtual bool begin(CURL* easy) = 0;
    // curl is done with the handle. True asks for another run: begin() is called again on the
    // reset handle.
    virtual bool finish(CURL* easy, CURLcode result) = 0;
    // The transfer ends without curl finishing it: cancelled, or no worker to run it.
    virtual void abort(const std::string& reason) = 0;
};

}  // namespace pd
