#pragma once
// The program-wide variables: the study options record, the counters and
// times of the current run, and the random draw. The window owns one
// instance for its lifetime.

#include <QString>
#include <QTime>

#include <functional>

struct modMnemora {
    // The chosen worksheet path while a deck is being opened, then the deck's
    // name (the file name up to its first "."); empty after a run ends.
    QString DeckName;

    // The current run.
    qint16 RightCount = 0;
    qint16 WrongCount = 0;
    QTime StartTime;
    QTime EndTime;
    // The current card number; 0 means the queue is still to be set up.
    qint16 CardPos = 0;

    // The study options record. Empty or False until start-up gives them
    // their values through the options view.
    QString ChoiceMode;            // "0", "2" or "4" choices
    bool SortMode = false;         // False: VovivIz order, True: Random order
    bool ShowAnswerFirst = false;  // the answer side is shown first
    QString FontSize;              // "S", "D" or "L"
    bool TimerOn = false;          // the statistics show the session time

    // A whole number from lo to hi inclusive. The generator starts from the
    // same state at every start of the program and is never reseeded, so
    // the draws repeat from one start to the next.
    int RandomInt(int lo, int hi);
    // The next fraction of the generator, 0 <= r < 1.
    float Rnd();

    // The current time of day, to the second. Tests may replace the clock.
    QTime Now() const;
    std::function<QTime()> clock;

private:
    // 24-bit linear congruential generator:
    // x <- (x * 1140671485 + 12820163) mod 2^24, r = x / 2^24.
    quint32 rndState = 327680;
};
