// A process whose main thread ends while another thread runs on: its
// /proc/PID/stat then shows a zombie, yet the process lives until that thread
// ends. The steps test starts one inside a step and names one in a port lock.
#include <pthread.h>
#include <unistd.h>

#include <thread>

int main()
{
    std::thread([] { ::sleep(600); }).detach();
    ::pthread_exit(nullptr);
}
