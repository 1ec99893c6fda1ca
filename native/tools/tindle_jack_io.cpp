// tindle-jack-io: plays a WAV file into a JACK client's inputs and records that client's
// outputs, sample-exactly, for the end-to-end tests (they run a private JACK dummy server; see
// scripts/with-services.sh, which exports JACK_DEFAULT_SERVER).
//
// Usage:
//   tindle-jack-io [--play IN.wav] [--record OUT.wav] [--to CLIENT] [--from CLIENT]
//                  [--to-port PORT]... [--from-port PORT]... [--record-channels N]
//                  [--pre FRAMES] [--tail FRAMES] [--frames FRAMES] [--name NAME]
//                  [--wait SECONDS]
//
//   --play IN.wav        16/24/32-bit integer PCM or 32-bit float WAV; one output port per
//                        channel ("play_1", ...). Its rate should equal the server's (no
//                        resampling; a mismatch is reported in the summary).
//   --record OUT.wav     writes what arrives on the input ports ("rec_1", ...) as 32-bit float
//                        WAV at the server's rate (bit-exact copies of the JACK buffers).
//   --to CLIENT          connects play_i to the i-th audio input port of CLIENT (e.g. "Tindle").
//   --from CLIENT        connects the i-th audio output port of CLIENT to rec_i.
//   --to-port/--from-port  explicit full port names instead (repeatable, in channel order).
//   --record-channels N  number of rec ports (default: the --from client's output count, or 2).
//   --pre FRAMES         silence played (and recorded) before the file starts (default 0).
//   --tail FRAMES        frames recorded after the file ends (default 0).
//   --frames FRAMES      total frames when nothing is played (default 44100).
//   --wait SECONDS       how long to wait for the other client's ports to appear (default 10).
//
// Timing: playback and recording both begin in the same JACK cycle, the first one after every
// connection is made, and run for exactly pre + file + tail frames, so frame n of OUT.wav was
// captured in the same cycle that played frame n - pre of IN.wav. What the other client adds in
// between (its own latency, or one period when the graph has a feedback edge) is a fixed whole
// number of frames, which a test can measure once with an impulse.
//
// On success it prints one JSON line and exits 0:
//   {"sampleRate":44100,"bufferSize":512,"fileRate":44100,"played":N,"recorded":N,
//    "startFrame":F,"xruns":0,"connected":["play_1->Tindle:in_1",...]}
// Exit codes: 1 usage, 2 file error, 3 JACK error, 4 ports not found, 5 timeout.
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
struct Audio
{
    int channels = 0;
    double sampleRate = 0.0;
    std::vector<std::vector<float>> samples; // planar
    size_t frames() const { return samples.empty() ? 0 : samples.front().size(); }
};

std::uint32_t le32 (const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t (p[3]) << 24); }
std::uint16_t le16 (const unsigned char* p) { return static_cast<std::uint16_t> (p[0] | (p[1] << 8)); }

bool readWav (const std::string& path, Audio& audio, std::string& error)
{
    std::ifstream in (path, std::ios::binary);
    if (! in)
        return error = "cannot open " + path, false;
    std::vector<unsigned char> b ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp (b.data(), "RIFF", 4) != 0 || std::memcmp (b.data() + 8, "WAVE", 4) != 0)
        return error = "not a RIFF/WAVE file", false;

    int format = 0, channels = 0, bits = 0;
    std::uint32_t rate = 0;
    const unsigned char* data = nullptr;
    size_t dataSize = 0;
    for (size_t at = 12; at + 8 <= b.size();)
    {
        const auto size = static_cast<size_t> (le32 (&b[at + 4]));
        const auto* body = &b[at + 8];
        const auto available = std::min (size, b.size() - at - 8);
        if (std::memcmp (&b[at], "fmt ", 4) == 0 && available >= 16)
        {
            format = le16 (body);
            channels = le16 (body + 2);
            rate = le32 (body + 4);
            bits = le16 (body + 14);
            if (format == 0xFFFE && available >= 26)
                format = le16 (body + 24); // extensible: the sub-format's first two bytes
        }
        else if (std::memcmp (&b[at], "data", 4) == 0)
        {
            data = body;
            dataSize = available;
        }
        at += 8 + size + (size & 1);
    }
    if (data == nullptr || channels <= 0 || rate == 0)
        return error = "missing fmt or data chunk", false;
    if (! ((format == 1 && (bits == 16 || bits == 24 || bits == 32)) || (format == 3 && bits == 32)))
        return error = "unsupported sample format", false;

    const auto bytesPerSample = static_cast<size_t> (bits / 8);
    const auto frames = dataSize / (bytesPerSample * static_cast<size_t> (channels));
    audio.channels = channels;
    audio.sampleRate = rate;
    audio.samples.assign (static_cast<size_t> (channels), std::vector<float> (frames));
    for (size_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
        {
            const auto* p = data + (f * static_cast<size_t> (channels) + static_cast<size_t> (c)) * bytesPerSample;
            float v = 0.0f;
            if (format == 3)
            {
                std::uint32_t u = le32 (p);
                std::memcpy (&v, &u, 4);
            }
            else if (bits == 16)
                v = static_cast<float> (static_cast<std::int16_t> (le16 (p))) / 32768.0f;
            else if (bits == 24)
                v = static_cast<float> (static_cast<std::int32_t> ((p[0] << 8) | (p[1] << 16) | (std::uint32_t (p[2]) << 24)) >> 8) / 8388608.0f;
            else
                v = static_cast<float> (static_cast<double> (static_cast<std::int32_t> (le32 (p))) / 2147483648.0);
            audio.samples[static_cast<size_t> (c)][f] = v;
        }
    return true;
}

bool writeFloatWav (const std::string& path, const std::vector<std::vector<float>>& channels, std::uint32_t rate)
{
    const auto k = static_cast<std::uint32_t> (channels.size());
    const auto n = channels.empty() ? 0u : static_cast<std::uint32_t> (channels.front().size());
    const auto dataBytes = k * n * 4;
    std::vector<unsigned char> out;
    auto put = [&] (const void* p, size_t size) { out.insert (out.end(), static_cast<const unsigned char*> (p), static_cast<const unsigned char*> (p) + size); };
    auto u32 = [&] (std::uint32_t v) { unsigned char t[4] = { (unsigned char) v, (unsigned char) (v >> 8), (unsigned char) (v >> 16), (unsigned char) (v >> 24) }; put (t, 4); };
    auto u16 = [&] (std::uint32_t v) { unsigned char t[2] = { (unsigned char) v, (unsigned char) (v >> 8) }; put (t, 2); };
    put ("RIFF", 4); u32 (36 + dataBytes); put ("WAVEfmt ", 8); u32 (16);
    u16 (3); u16 (k); u32 (rate); u32 (rate * k * 4); u16 (k * 4); u16 (32);
    put ("data", 4); u32 (dataBytes);
    for (std::uint32_t f = 0; f < n; ++f)
        for (std::uint32_t c = 0; c < k; ++c)
            put (&channels[c][f], 4);
    std::ofstream file (path, std::ios::binary);
    file.write (reinterpret_cast<const char*> (out.data()), static_cast<std::streamsize> (out.size()));
    return static_cast<bool> (file);
}

struct Session
{
    jack_client_t* client = nullptr;
    std::vector<jack_port_t*> playPorts, recordPorts;
    const Audio* play = nullptr;
    std::vector<std::vector<float>> recorded; // preallocated: pre + file + tail frames
    size_t pre = 0, total = 0;
    std::atomic<bool> armed { false }, finished { false };
    std::atomic<long> xruns { 0 };
    size_t position = 0; // process thread only
    jack_nframes_t startFrame = 0;
};

int process (jack_nframes_t nframes, void* arg)
{
    auto& s = *static_cast<Session*> (arg);
    const auto n = static_cast<size_t> (nframes);

    for (auto* port : s.playPorts)
    {
        auto* out = static_cast<float*> (jack_port_get_buffer (port, nframes));
        std::fill (out, out + n, 0.0f);
    }

    if (! s.armed.load() || s.finished.load())
        return 0;

    if (s.position == 0)
        s.startFrame = jack_last_frame_time (s.client);

    const auto count = std::min (n, s.total - s.position);
    for (size_t c = 0; c < s.playPorts.size(); ++c)
    {
        auto* out = static_cast<float*> (jack_port_get_buffer (s.playPorts[c], nframes));
        for (size_t i = 0; i < count; ++i)
        {
            const auto frame = s.position + i;
            if (frame >= s.pre && frame - s.pre < s.play->frames())
                out[i] = s.play->samples[c][frame - s.pre];
        }
    }
    for (size_t c = 0; c < s.recordPorts.size(); ++c)
    {
        const auto* in = static_cast<const float*> (jack_port_get_buffer (s.recordPorts[c], nframes));
        std::copy (in, in + count, s.recorded[c].begin() + static_cast<long> (s.position));
    }
    s.position += count;
    if (s.position >= s.total)
        s.finished = true;
    return 0;
}

int onXrun (void* arg)
{
    static_cast<Session*> (arg)->xruns.fetch_add (1);
    return 0;
}

std::vector<std::string> clientPorts (jack_client_t* client, const std::string& name, unsigned long flags)
{
    std::vector<std::string> result;
    const auto pattern = "^" + name + ":";
    if (const char** ports = jack_get_ports (client, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, flags))
    {
        for (auto** p = ports; *p != nullptr; ++p)
            result.emplace_back (*p);
        jack_free (ports);
    }
    return result; // JACK lists a client's ports in registration order
}

int usage()
{
    std::cerr << "usage: tindle-jack-io [--play IN.wav] [--record OUT.wav] [--to CLIENT] [--from CLIENT]\n"
                 "                      [--to-port PORT]... [--from-port PORT]... [--record-channels N]\n"
                 "                      [--pre FRAMES] [--tail FRAMES] [--frames FRAMES] [--name NAME]\n"
                 "                      [--wait SECONDS]\n";
    return 1;
}
} // namespace

int main (int argc, char** argv)
{
    std::string playPath, recordPath, toClient, fromClient, name = "tindle-jack-io";
    std::vector<std::string> toPorts, fromPorts;
    long recordChannels = -1, pre = 0, tail = 0, frames = 44100;
    double waitSeconds = 10.0;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string { if (i + 1 >= argc) throw std::runtime_error ("missing value for " + arg); return argv[++i]; };
        try
        {
            if (arg == "--play") playPath = value();
            else if (arg == "--record") recordPath = value();
            else if (arg == "--to") toClient = value();
            else if (arg == "--from") fromClient = value();
            else if (arg == "--to-port") toPorts.push_back (value());
            else if (arg == "--from-port") fromPorts.push_back (value());
            else if (arg == "--record-channels") recordChannels = std::stol (value());
            else if (arg == "--pre") pre = std::stol (value());
            else if (arg == "--tail") tail = std::stol (value());
            else if (arg == "--frames") frames = std::stol (value());
            else if (arg == "--name") name = value();
            else if (arg == "--wait") waitSeconds = std::stod (value());
            else return usage();
        }
        catch (const std::exception& e)
        {
            std::cerr << e.what() << "\n";
            return usage();
        }
    }
    if (pre < 0 || tail < 0 || frames < 0)
        return usage();

    Audio play;
    if (! playPath.empty())
    {
        std::string error;
        if (! readWav (playPath, play, error))
        {
            std::cerr << "tindle-jack-io: " << error << "\n";
            return 2;
        }
    }

    jack_status_t status {};
    Session s;
    s.client = jack_client_open (name.c_str(), JackNoStartServer, &status);
    if (s.client == nullptr)
    {
        std::cerr << "tindle-jack-io: cannot connect to the JACK server (status " << status << ")\n";
        return 3;
    }
    const auto serverRate = jack_get_sample_rate (s.client);
    const auto bufferSize = jack_get_buffer_size (s.client);

    // Wait for the other client's ports.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double> (waitSeconds);
    auto havePorts = [&]
    {
        if (! toClient.empty() && clientPorts (s.client, toClient, JackPortIsInput).empty()) return false;
        if (! fromClient.empty() && clientPorts (s.client, fromClient, JackPortIsOutput).empty()) return false;
        for (auto& p : toPorts) if (jack_port_by_name (s.client, p.c_str()) == nullptr) return false;
        for (auto& p : fromPorts) if (jack_port_by_name (s.client, p.c_str()) == nullptr) return false;
        return true;
    };
    while (! havePorts())
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            std::cerr << "tindle-jack-io: ports of the other client did not appear\n";
            jack_client_close (s.client);
            return 4;
        }
        std::this_thread::sleep_for (std::chrono::milliseconds (50));
    }
    if (! toClient.empty())
        toPorts = clientPorts (s.client, toClient, JackPortIsInput);
    if (! fromClient.empty())
        fromPorts = clientPorts (s.client, fromClient, JackPortIsOutput);

    if (recordChannels < 0)
        recordChannels = recordPath.empty() ? 0 : (fromPorts.empty() ? 2 : static_cast<long> (fromPorts.size()));

    for (int c = 0; c < play.channels; ++c)
        s.playPorts.push_back (jack_port_register (s.client, ("play_" + std::to_string (c + 1)).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
    for (long c = 0; c < recordChannels; ++c)
        s.recordPorts.push_back (jack_port_register (s.client, ("rec_" + std::to_string (c + 1)).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
    for (auto* p : s.playPorts) if (p == nullptr) { std::cerr << "tindle-jack-io: port registration failed\n"; return 3; }
    for (auto* p : s.recordPorts) if (p == nullptr) { std::cerr << "tindle-jack-io: port registration failed\n"; return 3; }

    s.play = &play;
    s.pre = static_cast<size_t> (pre);
    s.total = play.channels > 0 ? s.pre + play.frames() + static_cast<size_t> (tail) : static_cast<size_t> (frames);
    s.recorded.assign (s.recordPorts.size(), std::vector<float> (s.total, 0.0f));

    jack_set_process_callback (s.client, process, &s);
    jack_set_xrun_callback (s.client, onXrun, &s);
    if (jack_activate (s.client) != 0)
    {
        std::cerr << "tindle-jack-io: cannot activate\n";
        return 3;
    }

    std::vector<std::string> connected;
    auto connect = [&] (const std::string& from, const std::string& to)
    {
        const auto result = jack_connect (s.client, from.c_str(), to.c_str());
        if (result == 0 || result == EEXIST)
            connected.push_back (from + "->" + to);
        else
            std::cerr << "tindle-jack-io: cannot connect " << from << " to " << to << "\n";
    };
    for (size_t c = 0; c < s.playPorts.size() && c < toPorts.size(); ++c)
        connect (jack_port_name (s.playPorts[c]), toPorts[c]);
    for (size_t c = 0; c < s.recordPorts.size() && c < fromPorts.size(); ++c)
        connect (fromPorts[c], jack_port_name (s.recordPorts[c]));

    s.armed = true;
    const auto seconds = static_cast<double> (s.total) / serverRate + waitSeconds + 2.0;
    const auto runDeadline = std::chrono::steady_clock::now() + std::chrono::duration<double> (seconds);
    while (! s.finished.load())
    {
        if (std::chrono::steady_clock::now() > runDeadline)
        {
            std::cerr << "tindle-jack-io: timed out after " << s.position << " of " << s.total << " frames\n";
            jack_client_close (s.client);
            return 5;
        }
        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    }

    jack_deactivate (s.client);
    jack_client_close (s.client);

    if (! recordPath.empty() && ! writeFloatWav (recordPath, s.recorded, serverRate))
    {
        std::cerr << "tindle-jack-io: cannot write " << recordPath << "\n";
        return 2;
    }

    std::ostringstream json;
    json << "{\"sampleRate\":" << serverRate << ",\"bufferSize\":" << bufferSize
         << ",\"fileRate\":" << play.sampleRate << ",\"played\":" << (play.channels > 0 ? play.frames() : 0)
         << ",\"recorded\":" << (s.recordPorts.empty() ? 0 : s.total) << ",\"startFrame\":" << s.startFrame
         << ",\"xruns\":" << s.xruns.load() << ",\"connected\":[";
    for (size_t i = 0; i < connected.size(); ++i)
        json << (i > 0 ? "," : "") << "\"" << connected[i] << "\"";
    json << "]}";
    std::cout << json.str() << std::endl;
    return 0;
}
