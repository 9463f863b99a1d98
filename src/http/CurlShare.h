#pragma once

#include <curl/curl.h>
#include <mutex>

// Cookies, TLS sessions and name lookups that several transports on
// different threads share. Connections are not shared: each transport keeps
// its own, as libcurl does not support sharing them across threads.
class TCurlShare {
public:
    TCurlShare();
    ~TCurlShare();
    TCurlShare(const TCurlShare&) = delete;
    TCurlShare& operator=(const TCurlShare&) = delete;

    CURLSH* Handle() const { return FHandle; }

private:
    static void Lock(CURL*, curl_lock_data Data, curl_lock_access, void* Self);
    static void Unlock(CURL*, curl_lock_data Data, void* Self);

    CURLSH* FHandle = nullptr;
    std::mutex FLocks[CURL_LOCK_DATA_LAST];
};
