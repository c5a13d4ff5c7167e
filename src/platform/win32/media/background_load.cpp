#include "platform/win32/media/background_load.h"

#include <objbase.h>

#include <atomic>
#include <system_error>
#include <thread>
#include <utility>

namespace telvia::win32 {

namespace {

// What the loading thread owns; shared with the handle, which may go first.
struct LoadJob {
    ComPtr<IFileSourceFilter> source;
    ComPtr<IFilterGraph> graph;  // the graph the filter is in, kept while Load runs
    std::wstring address;
    HWND window = nullptr;
    UINT message = 0;
    WPARAM ticket = 0;
    std::atomic<HRESULT> result{E_PENDING};
};

// The graph a filter was added to, with a reference of its own; empty when it is in none.
ComPtr<IFilterGraph> graphOf(IFileSourceFilter& source)
{
    ComPtr<IBaseFilter> filter;
    FILTER_INFO info{};
    if (FAILED(source.QueryInterface(IID_IBaseFilter, filter.putVoid())) || FAILED(filter->QueryFilterInfo(&info))) {
        return {};
    }
    ComPtr<IFilterGraph> graph;
    *graph.put() = info.pGraph;  // QueryFilterInfo handed over a reference
    return graph;
}

void runLoad(const std::shared_ptr<LoadJob>& job)
{
    // A source may make COM objects of its own while it loads (the ASF reader does).
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    job->result = job->source->Load(job->address.c_str(), nullptr);
    // A window already gone (the program closed meanwhile) refuses the message; nothing waits for it.
    PostMessageW(job->window, job->message, job->ticket, 0);
    // The references go on this thread, inside its apartment.
    job->source.reset();
    job->graph.reset();
    if (SUCCEEDED(apartment)) {
        CoUninitialize();
    }
}

class BackgroundLoad final : public PendingLoad {
public:
    BackgroundLoad(std::shared_ptr<LoadJob> job, bool abortsPromptly, ComPtr<IAMOpenProgress> abort)
        : job_(std::move(job)), abortsPromptly_(abortsPromptly), abort_(std::move(abort))
    {
    }
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    ~BackgroundLoad() override
    {
        if (!thread_.joinable()) {
            return;
        }
        if (!abortsPromptly_) {
            thread_.detach();
            return;
        }
        if (abort_ && job_->result.load() == E_PENDING) {
            (void)abort_->AbortOperation();
        }
        thread_.join();
    }

    void start() { thread_ = std::thread([job = job_] { runLoad(job); }); }

    HResult result() override
    {
        // Asked once the message came: the thread has answered and only lets go of its
        // references now.
        if (thread_.joinable()) {
            thread_.join();
        }
        return job_->result.load();
    }

private:
    std::shared_ptr<LoadJob> job_;
    bool abortsPromptly_;
    ComPtr<IAMOpenProgress> abort_;
    std::thread thread_;
};

}  // namespace

Obtained<PendingLoad> startBackgroundLoad(BackgroundLoadTarget target, std::wstring address, HWND window,
                                          UINT message, WPARAM ticket)
{
    try {
        auto job = std::make_shared<LoadJob>();
        job->graph = graphOf(*target.source.get());
        job->address = std::move(address);
        job->window = window;
        job->message = message;
        job->ticket = ticket;
        ComPtr<IAMOpenProgress> abort;
        if (target.abortsPromptly) {
            (void)target.source.query(IID_IAMOpenProgress, abort);
        }
        job->source = std::move(target.source);
        auto load = std::make_unique<BackgroundLoad>(std::move(job), target.abortsPromptly, std::move(abort));
        load->start();
        return {S_OK, std::move(load)};
    } catch (...) {
        // No memory or no thread: the caller reports the address as not opened.
        return {E_OUTOFMEMORY, nullptr};
    }
}

}  // namespace telvia::win32
