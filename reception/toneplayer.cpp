#include "toneplayer.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <cstdint>

namespace {

// Two tones, 400 Hz for 100 ms then 800 Hz for 50 ms, as a WAV file.
QByteArray BeepWave() {
  constexpr int kRate = 8000;
  QByteArray samples;
  const auto tone = [&](double frequency, int milliseconds) {
    const int count = kRate * milliseconds / 1000;
    for (int i = 0; i < count; ++i) {
      const double value = std::sin(2.0 * M_PI * frequency * i / kRate);
      samples.append(static_cast<char>(static_cast<unsigned char>(128 + 100 * value)));
    }
  };
  tone(400, 100);
  tone(800, 50);
  QByteArray wave;
  const auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) wave.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  const auto put16 = [&](std::uint16_t v) {
    wave.append(static_cast<char>(v & 0xFF));
    wave.append(static_cast<char>(v >> 8));
  };
  wave.append("RIFF");
  put32(36 + static_cast<std::uint32_t>(samples.size()));
  wave.append("WAVEfmt ");
  put32(16);
  put16(1);  // PCM
  put16(1);  // mono
  put32(kRate);
  put32(kRate);
  put16(1);
  put16(8);
  wave.append("data");
  put32(static_cast<std::uint32_t>(samples.size()));
  wave.append(samples);
  return wave;
}

}  // namespace

void TonePlayer::Play() {
  // One signal at a time; receptions closer together than the tones share it.
  if (player != nullptr) return;
  const QString aplay = QStandardPaths::findExecutable(QStringLiteral("aplay"));
  if (aplay.isEmpty() || !QFile::exists(QStringLiteral("/dev/snd"))) {
    QApplication::beep();
    return;
  }
  player = new QProcess(this);
  connect(player, &QProcess::finished, this, [this] {
    player->deleteLater();
    player = nullptr;
  });
  connect(player, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    player->deleteLater();
    player = nullptr;
    QApplication::beep();
  });
  player->start(aplay, {QStringLiteral("-q"), QStringLiteral("-")});
  player->write(BeepWave());
  player->closeWriteChannel();
}
