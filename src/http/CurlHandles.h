#pragma once

#include <curl/curl.h>
#include <memory>

// Owning handles of libcurl objects, freed with their own cleanup call.
struct TCurlEasyCleanup {
    void operator()(CURL* Handle) const { curl_easy_cleanup(Handle); }
};
struct TCurlMultiCleanup {
    void operator()(CURLM* Handle) const { curl_multi_cleanup(Handle); }
};
struct TCurlListCleanup {
    void operator()(curl_slist* List) const { curl_slist_free_all(List); }
};

using TCurlEasyHandle = std::unique_ptr<CURL, TCurlEasyCleanup>;
using TCurlMultiHandle = std::unique_ptr<CURLM, TCurlMultiCleanup>;
using TCurlList = std::unique_ptr<curl_slist, TCurlListCleanup>;
