#include "platform_dshow_media/Movies.h"

#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/TempDir.h"

namespace tavorin::test {

namespace {

const char kPicture[] =
    "color=c=black:s=64x48:r=30:d=3,format=rgb24,"
    "geq=r='if(lt(Y,H/2),200,20)':g='N*2':b='if(lt(Y,H/2),20,200)'";

std::string Sine(int rate) {
  return "sine=frequency=440:sample_rate=" + std::to_string(rate) + ":duration=3";
}

void Make(const std::string& path, const std::string& inputs, const std::string& codecs) {
  std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + inputs + " " + codecs +
                        " '" + path + "'";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg failed: " + command);
}

struct Recipe {
  const char* name;
  int sampleRate;
  int channels;
  std::string codecs;
};

// Made on first use, so a test of one movie waits for that one only.
class MovieSet {
 public:
  MovieSet()
      : m_recipes{
            {"mjpeg.avi", 0, 0, "-c:v mjpeg -q:v 2 -pix_fmt yuvj420p"},
            {"mjpeg-pcm.avi", 44100, 1, "-c:v mjpeg -q:v 2 -c:a pcm_s16le -ac 1"},
            {"mpeg4.avi", 0, 0, "-c:v mpeg4 -q:v 2"},
            // B-frames: packets arrive out of presentation order.
            {"mpeg4-pcm.avi", 44100, 2, "-c:v mpeg4 -q:v 2 -bf 2 -c:a pcm_s16le -ac 2"},
            {"h264-aac.mp4", 48000, 1,
             "-c:v libx264 -preset ultrafast -crf 10 -pix_fmt yuv420p -c:a aac -ac 1"},
            // Six channels, which the engine mixes down to two.
            {"vp8-vorbis.mkv", 22050, 2, "-c:v libvpx -crf 4 -b:v 2M -c:a libvorbis -ac 6"},
        } {}

  const Movie& Get(const Recipe& recipe) {
    for (const Movie& movie : m_made)
      if (movie.name == recipe.name) return movie;
    Movie movie{recipe.name, m_dir.File(recipe.name), true, recipe.sampleRate, recipe.channels};
    std::string inputs = std::string("-f lavfi -i \"") + kPicture + "\"";
    if (recipe.sampleRate != 0) inputs += " -f lavfi -i \"" + Sine(recipe.sampleRate) + "\"";
    Make(movie.path, inputs, recipe.codecs);
    m_made.push_back(movie);
    return m_made.back();
  }

  const std::vector<Movie>& All() {
    if (m_all.empty())
      for (const Recipe& recipe : m_recipes) m_all.push_back(Get(recipe));
    return m_all;
  }

  const Movie& Named(const std::string& name) {
    for (const Recipe& recipe : m_recipes)
      if (name == recipe.name) return Get(recipe);
    throw std::runtime_error("no test movie " + name);
  }

 private:
  TempDir m_dir;
  std::vector<Recipe> m_recipes;
  std::deque<Movie> m_made;
  std::vector<Movie> m_all;
};

MovieSet& Set() {
  static MovieSet set;
  return set;
}

}  // namespace

const std::vector<Movie>& Movies() {
  return Set().All();
}

const Movie& MovieNamed(const std::string& name) {
  return Set().Named(name);
}

std::shared_ptr<const std::vector<uint8_t>> MovieBytes(const Movie& movie) {
  std::ifstream in(movie.path, std::ios::binary);
  return std::make_shared<const std::vector<uint8_t>>(std::istreambuf_iterator<char>(in),
                                                      std::istreambuf_iterator<char>());
}

std::unique_ptr<media::CMediaFile> OpenMovie(const std::vector<uint8_t>& bytes,
                                             std::string* error) {
  auto shared = std::make_shared<const std::vector<uint8_t>>(bytes);
  return media::CMediaFile::Open(media::MemoryByteSource(shared), error);
}

std::unique_ptr<media::CMediaFile> OpenMovie(const Movie& movie) {
  media::ByteSource source;
  if (!media::FileByteSource(movie.path, &source)) return nullptr;
  return media::CMediaFile::Open(source, nullptr);
}

namespace {

void TakeFrames(media::CVideoDecoder& video, Decoded& out) {
  DecodedFrame frame;
  while (video.Receive(&frame.start, &frame.stop) == media::DecodeStatus::Output) {
    frame.pixels.assign(video.FrameBytes(), 0);
    if (video.CopyFrame(frame.pixels.data(), frame.pixels.size())) out.frames.push_back(frame);
  }
}

void TakeChunks(media::CAudioDecoder& audio, Decoded& out) {
  media::AudioChunk chunk;
  while (audio.Receive(chunk) == media::DecodeStatus::Output) out.chunks.push_back(chunk);
}

}  // namespace

Decoded DecodeToEnd(media::CMediaFile& file, media::CVideoDecoder* video,
                    media::CAudioDecoder* audio, int maxFrames) {
  Decoded out;
  media::CMediaPacket packet;
  for (;;) {
    if (maxFrames > 0 && static_cast<int>(out.frames.size()) >= maxFrames) return out;
    out.last = file.ReadPacket(packet);
    if (out.last == media::PacketStream::End || out.last == media::PacketStream::Failed) break;
    ++out.packets;
    if (out.last == media::PacketStream::Video && video) {
      video->Send(packet);
      TakeFrames(*video, out);
    } else if (out.last == media::PacketStream::Audio && audio) {
      audio->Send(packet);
      TakeChunks(*audio, out);
    }
  }
  if (video) {
    video->SendEnd();
    TakeFrames(*video, out);
  }
  if (audio) {
    audio->SendEnd();
    TakeChunks(*audio, out);
  }
  return out;
}

int FrameNumberOf(const DecodedFrame& frame, int width) {
  // The middle pixel of the picture's bottom quarter; green is byte 1.
  size_t row = frame.pixels.size() / (width * 4) / 4;
  return (frame.pixels[(row * width + width / 2) * 4 + 1] + 1) / 2;
}

}  // namespace tavorin::test
