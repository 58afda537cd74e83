#!/usr/bin/env bash
# Puts faults we fear into a scratch copy of the code, one at a time, builds only the tests that
# should catch each, runs them, and fails when a fault survives them all or no longer applies (the
# code it patches has changed: adjust its sed expression). Not part of CI: it builds once per fault,
# which ccache keeps short.
#
#   scripts/mutants.sh [WORK]     WORK: the scratch folder, kept afterwards (default: a new one in /tmp)
#   ONLY=regex                    only the faults whose name matches
#   JOBS=n                        build and test jobs (2)
#
# Prints a table of each fault and the tests that caught it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d /tmp/lumora-mutants.XXXXXX)}
jobs=${JOBS:-2}
only=${ONLY:-.}

names=() files=() tests=() exprs=()
# fault NAME FILE "TEST..." SED-EXPRESSION
fault() { names+=("$1"); files+=("$2"); tests+=("$3"); exprs+=("$4"); }

fault "a shuffled show plays in file order" src/player/Main_Frm.cpp "test_player" \
    's/^    if (state_\.shuffle)$/    if (false)/'
fault "an arrow key leaves the delay running" src/player/Main_Frm.cpp "test_player_input" \
    '/^void Main_Frm::arrowStep/,/^}/{/Timer1->setEnabled(false);/d}'
fault "a paused show keeps its timer" src/player/Main_Frm.cpp "test_player_input" \
    '/^void Main_Frm::Pause_Show/,/^}/{/Timer1->setEnabled(false);/d}'
fault "Shift+Delete with Ctrl or Alt deletes too" src/player/Main_Frm.cpp "test_player_input" \
    's/(event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier/(event->modifiers() \& Qt::ShiftModifier)/'
fault "any show file is deleted as temp.ini" src/player/Main_Frm.cpp "test_player" \
    's/if (File_Path_Txt->text() == program_folder::tempIniPath())/if (true)/'
fault "the music is not started again at its end" src/player/Main_Frm.cpp "test_player_music" \
    's/(forms_\.showState()\.musicLoop && !StartPlay())/false/'
fault "Left on the first picture stays there" src/player/ShowSequence.cpp "test_sequence test_player_input" \
    's/next = state_\.currentIndex <= 0 ? n - 1 : state_\.currentIndex - 1;/next = state_.currentIndex <= 0 ? 0 : state_.currentIndex - 1;/'
fault "the shuffle always draws the same" src/player/ShowSequence.cpp "test_sequence test_player" \
    's/const qsizetype k = pick(state_\.random);/const qsizetype k = 0;/'
fault "a delay of 0 ticks" src/platform/FormTimer.cpp "test_player test_player_input" \
    's/if (enabled_ && interval_ > 0)/if (enabled_)/'
fault "a save does not check its byte count" src/show/ShowFile.cpp "test_showfile test_makershow" \
    's/ || file\.write(bytes) != bytes\.size())/ || (file.write(bytes), false))/'
fault "a show is read without its ninth field" src/show/ShowFile.cpp "test_showfile test_player" \
    's/for (int slot = 1; slot <= 9; ++slot)/for (int slot = 1; slot <= 8; ++slot)/'
fault "the folder walk follows links" src/platform/FolderListing.cpp "test_folderlisting test_folderwalk test_search" \
    's/S_ISDIR(st\.st_mode) ? Kind::LinkedFolder/S_ISDIR(st.st_mode) ? Kind::Folder/'
fault "a drop with Shift held taken as Move" src/controls/FileDrop.cpp "test_maker" \
    's/            event\.setDropAction(action);/            event.setDropAction(event.proposedAction());/'
fault "a window destroyed under its box closes at once" src/forms/Forms.cpp "test_forms" \
    '/^void Forms::windowDestroyedOutside/,/^}/{s/    afterBoxesOf(gone, \[this, gone = QPointer<Form>(gone)\] {/    [this, gone = QPointer<Form>(gone)] {/;s/^    });$/    }();/}'
fault "a copy removes another copy's temporary show" src/platform/TemporaryShows.cpp "test_termination" \
    's/        if (regular_file::stampOf(show\.path) == show\.stamp)/        if (true)/'
fault "a missing sound device is tried again at once" src/platform/Music.cpp "test_music_no_driver test_music_no_device" \
    's/kRetryAfterFailure{5}/kRetryAfterFailure{0}/'
fault "a run-length move lands on the wrong column" src/picture/readers/BmpReader.cpp "test_picturebytes test_pictureloader" \
    's/x = std::min(x + dx, w - 1);/x = std::min(dx, w - 1);/'
fault "a small GIF is judged by its logical screen" src/picture/readers/GifReader.h "test_picturebytes test_pictureloader" \
    's/return {framePixels(), /return {qint64(size_.width()) * size_.height(), /'
fault "short bit-field channels are shifted up only" src/picture/readers/BmpReader.cpp "test_picturebytes test_pictureloader" \
    's|return int((value \* 255 + top / 2) / top);|return int(value << (8 - bits));|'
fault "plain 32-bit alpha of all zeros hides the picture" src/picture/readers/BmpReader.cpp "test_picturebytes test_pictureloader" \
    's/(plainAlpha \&\& !fourthBytesAllZero())/plainAlpha/'
fault "a GIF frame without a row is a picture" src/picture/readers/GifReader.cpp "test_picturebytes test_pictureloader" \
    's/    if (decoded == 0)$/    if (false)/'
fault "progressive JPEGs have no scan limit" src/picture/readers/JpegScaledDecoder.h "test_picturebytes" \
    's/constexpr int MaxScans = 256;/constexpr int MaxScans = 1 << 30;/'
fault "a decode nobody wants goes on" src/picture/limits/DecodeLimit.cpp "test_picturebytes" \
    's/if (cancelled_ \&\& cancelled_->load(std::memory_order_relaxed))/if (false)/'
fault "a step holds the window until its picture comes" src/player/Main_Frm.cpp "test_player" \
    's/    sequence_\.setPictureWait(PictureWait);/    sequence_.setPictureWait(std::chrono::milliseconds::max());/'
fault "a closed search waits for a stuck listing" src/folder/WalkThread.cpp "test_search" \
    's/        thread_\.detach();/        thread_.join();/'
fault "sorting a listing never looks at the stop" src/platform/FolderListing.cpp "test_folderlisting test_folderwalk test_search" \
    's/const auto stopped = \[stop\] { return stop \&\& stop->load(std::memory_order_relaxed); };/const auto stopped = [] { return false; };/'
fault "Qt's readers read on past the limit" src/picture/PictureLoader.cpp "test_picturebytes" \
    's/return limit_\.over() ? -1 : file_\.read(data, most);/return file_.read(data, most);/'
fault "the right arrow waits for a late picture too" src/player/ShowSequence.cpp "test_player test_sequence" \
    's/        state_\.currentIndex = waiting_->index;/        (void)0;/'
fault "a held right arrow passes a late picture unseen" src/player/ShowSequence.cpp "test_player test_sequence" \
    's/    if (waiting_ \&\& !waiting_->timer \&\& waiting_->direction > 0)/    if (false)/'
fault "an arrow key waits for the next poll" src/player/Main_Frm.cpp "test_player_input" \
    '/^void Main_Frm::arrowPressed/,/^}/{s/^    (this->\*step)();$/    (void)step;/}'
fault "the poll goes on from before the press" src/player/Main_Frm.cpp "test_player_input" \
    '/^void Main_Frm::arrowPressed/,/^}/{/Hotkeys_Timer->setEnabled(false);/d}'
fault "Enter in an open drop-down presses the default button" src/controls/DefaultButton.cpp "test_setup" \
    's/^    key->accept();$/    (void)key;/'
fault "the maker's toolbar has no keys" src/maker/Maker_Frm.cpp "test_maker" \
    's/^        action->setShortcut(/        if (false) action->setShortcut(/'
fault "a list marks no focus" src/controls/FocusMark.cpp "test_maker" \
    's/^    new Mark(list);$/    (void)list;/'
fault "a dropped file that is not a picture goes unmentioned" src/maker/DroppedPictures.cpp "test_maker" \
    's/^            taken\.others << path;$/            ;/'
fault "the decode limit counts the time of day" src/picture/limits/DecodeLimit.cpp "test_picturebytes" \
    's/    if (::pthread_getcpuclockid(::pthread_self(), \&clock_) != 0)/    clock_ = CLOCK_MONOTONIC;\n    if (false)/'
fault "the reducer's tail weighs colour without its alpha" src/picture/reduce/RowReducer.cpp "test_rowreducer" \
    's|        const float k = alpha ? weight \* a \* (1.0f / 255.0f) : weight;|        const float k = weight;|'
fault "the reducer's tail weighs alpha by itself" src/picture/reduce/RowReducer.cpp "test_rowreducer" \
    's/^        c\[3\] += weight \* a;$/        c[3] += k * a;/'
fault "the reducer's tail skips the last column" src/picture/reduce/RowReducer.cpp "test_rowreducer" \
    's/^    for (; x < to; ++x) {$/    for (; x + 1 < to; ++x) {/'
fault "a lossy WebP part is cropped without its margin" src/picture/readers/WebpReader.cpp "test_webpreader" \
    's/    const QRect from = lossless_ || reduced ? part$/    const QRect from = true ? part/'
fault "a lossy WebP part's margin starts at its own column" src/picture/readers/WebpReader.cpp "test_webpreader" \
    's/QRect(QPoint((part\.left() - 1) \& ~1, (part\.top() - 1) \& ~1)/QRect(QPoint(part.left() \& ~1, part.top() \& ~1)/'
fault "a PNG's eXIf orientation is ignored" src/picture/readers/PngReader.cpp "test_pngreader" \
    's/    if (png_get_eXIf_1(png, info, \&exifLength, \&exif) \&\& exif)/    if (false)/'
fault "a PNG beyond 2^30 pixels is read for a screen" src/picture/PictureLoader.cpp "test_pngreader" \
    's/        return std::min(claimed, claim\.codedPixels) <= MaxStreamedPixels;/        return true;/'
fault "grey TIFFs with alpha in strips go through libtiff's RGBA interface" src/picture/readers/TiffReader.cpp "test_tiffreader" \
    's/^        tiff_->plain = plain;$/        (void)plain;/'
fault "libtiff's grey with unassociated alpha taken as associated" src/picture/readers/TiffReader.cpp "test_tiffreader" \
    's/            !((image\.photometric == PHOTOMETRIC_MINISBLACK/            true || !((image.photometric == PHOTOMETRIC_MINISBLACK/'
fault "a CMYK TIFF's profile is ignored" src/picture/readers/TiffReader.cpp "test_tiffreader" \
    's/^            tiff_->inks = std::move(inks);$/            (void)inks;/'
fault "floating-point TIFFs are refused" src/picture/readers/TiffReader.cpp "test_tiffreader" \
    's/    plain\.floating = format == SAMPLEFORMAT_IEEEFP;/    plain.floating = false;/'
fault "HEIC code points in the HEVC configuration are ignored" src/picture/readers/HeifReader.cpp "test_heifreader" \
    's/^                icc_ = colour_profile::profileFor(\*points);$/                (void)points;/'
fault "a deep mirrored HEIC is left to libheif" src/picture/readers/HeifReader.cpp "test_heifreader" \
    's/        if (mirrored \&\& !boxes->cropped \&\& /        if (false \&\& /'
fault "a HEIC mirror's axis is read the other way" src/picture/readers/HeifBoxes.cpp "test_heifreader" \
    's/            total = times(steps\[i\]\.value \& 1 ? flipH : flipV, total);/            total = times(steps[i].value \& 1 ? flipV : flipH, total);/'
fault "a JPEG is bounded at 2^28 pixels on a screen too" src/picture/readers/JpegReader.h "test_picturebytes" \
    's/return {qint64(size_\.width()) \* size_\.height(), 0};/return {qint64(size_.width()) * size_.height(), 0, false};/'
fault "JPEG XL is bounded as the whole decodes" src/picture/readers/JxlReader.cpp "test_jxlreader" \
    's/^    if (!fits(info\.xsize, info\.ysize))$/    if (!picture_limits::fitsWhole(info.xsize, info.ysize))/'

# ---- a scratch copy, built once without faults ---------------------------------------------------

src=$work/src
build=$src/build
mkdir -p "$src" "$work/logs"
echo "scratch copy in $work"
(cd "$root" && git ls-files -co --exclude-standard -z | grep -zv '^base/' | tar --null -T - -cf -) | tar -xf - -C "$src"
# Paths relative to the copy, so that ccache finds what other trees of the code compiled.
export CCACHE_BASEDIR=$src
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache >"$work/logs/configure.log"

selected=()
for i in "${!names[@]}"; do
    [[ ${names[$i]} =~ $only ]] && selected+=("$i")
done
all_tests=$(for i in "${selected[@]}"; do echo "${tests[$i]}"; done | tr ' ' '\n' | sort -u | tr '\n' ' ')
regex() { echo "^($(echo "$1" | xargs | tr ' ' '|'))\$"; }

echo "building $all_tests"
# shellcheck disable=SC2086
cmake --build "$build" -j"$jobs" --target $all_tests >"$work/logs/build.log" 2>&1 ||
    { tail -30 "$work/logs/build.log"; echo "the code does not build without faults"; exit 1; }
ctest --test-dir "$build" -j"$jobs" -R "$(regex "$all_tests")" >"$work/logs/clean.log" 2>&1 ||
    { tail -30 "$work/logs/clean.log"; echo "the tests fail without faults"; exit 1; }

# ---- one fault at a time -------------------------------------------------------------------------

survived=0
table="| fault | file | caught by |"$'\n'"|---|---|---|"
for i in "${selected[@]}"; do
    name=${names[$i]} file=${files[$i]}
    log=$work/logs/mutant-$i.log
    cp "$src/$file" "$work/original"
    sed -i -e "${exprs[$i]}" "$src/$file"
    if cmp -s "$src/$file" "$work/original"; then
        result="NOT APPLIED: the code changed, adjust the expression"
        survived=$((survived + 1))
    else
        diff -u "$work/original" "$src/$file" >"$log" || true
        # shellcheck disable=SC2086
        if ! cmake --build "$build" -j"$jobs" --target ${tests[$i]} >>"$log" 2>&1; then
            result="DOES NOT BUILD: see $log"
            survived=$((survived + 1))
        else
            ctest --test-dir "$build" -j"$jobs" -R "$(regex "${tests[$i]}")" >>"$log" 2>&1 || true
            caught=$(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*/\1/p' "$log" | sort | xargs)
            if [ -n "$caught" ]; then
                result=$caught
            else
                result="SURVIVED (${tests[$i]} passed)"
                survived=$((survived + 1))
            fi
        fi
    fi
    cp "$work/original" "$src/$file"
    echo "$name: $result"
    table+=$'\n'"| $name | $file | $result |"
done

echo
echo "$table"
if [ $survived -ne 0 ]; then
    echo "$survived of ${#selected[@]} faults were not caught (logs in $work/logs)"
    exit 1
fi
echo "all ${#selected[@]} faults caught"
