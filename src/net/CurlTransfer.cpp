#include "net/CurlTransfer.h"

#include "net/Cancel.h"

namespace quillet {

CURLcode RunTransfer(CURLM* multi, CURL* curl)
{
    if (curl_multi_add_handle(multi, curl) != CURLM_OK)
        return CURLE_FAILED_INIT;
    int running = 1;
    bool cancelled = false;
    while (running && curl_multi_perform(multi, &running) == CURLM_OK && running) {
        if ((cancelled = CancelRequested()))
            break;
        long timeout = -1;
        curl_multi_timeout(multi, &timeout);
        curl_multi_poll(multi, nullptr, 0, timeout < 0 || timeout > 10 ? 10 : static_cast<int>(timeout), nullptr);
    }
    CURLcode result = cancelled ? CURLE_ABORTED_BY_CALLBACK : CURLE_FAILED_INIT;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left))
        if (!cancelled && message->msg == CURLMSG_DONE && message->easy_handle == curl)
            result = message->data.result;
    curl_multi_remove_handle(multi, curl);
    return result;
}

void SetStallTimeouts(CURL* curl)
{
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(kStalledServerSeconds));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(kStalledServerSeconds));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(kStalledServerSeconds));
}

} // namespace quillet
