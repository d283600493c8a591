#!/usr/bin/env bash
# Encodes the picture and sound of one demo transponder into a short transport stream that
# tsgen then takes its elementary streams from. Each stream lands on the PID given for it.
#   encode_clip.sh OUTPUT.ts SECONDS STREAM...
#   STREAM: video:PID:mpeg2|h264:PATTERN:TEXT   (PATTERN a videotestsrc pattern name)
#           audio:PID:FREQUENCY_HZ:WAVE          (WAVE an audiotestsrc wave name)
set -euo pipefail
output=$1 seconds=$2
shift 2
frames=$((seconds * 25))
samples=$((seconds * 48000))

video_branch() { # pid codec pattern text
  local encoder
  case $2 in
    # mjpegtools' encoder: avenc_mpeg2video refuses every frame rate with this libav.
    mpeg2) encoder="video/x-raw,format=I420 ! mpeg2enc format=3 bitrate=1500 max-gop-size=12 \
b-per-refframe=0 reduction-4x4=4 reduction-2x2=4 ! mpegvideoparse" ;;
    h264) encoder="x264enc bitrate=900 speed-preset=ultrafast key-int-max=25 tune=zerolatency \
! video/x-h264,profile=baseline ! h264parse" ;;
    *) echo "unknown video codec $2" >&2; exit 2 ;;
  esac
  echo "videotestsrc pattern=$3 num-buffers=$frames \
! video/x-raw,width=720,height=576,framerate=25/1 \
! textoverlay text=\"$4\" font-desc=\"DejaVu Sans Bold 40\" valignment=center halignment=center \
shaded-background=true ! videoconvert ! $encoder ! queue ! mux.sink_$1"
}

audio_branch() { # pid frequency wave
  echo "audiotestsrc freq=$2 wave=$3 volume=0.3 samplesperbuffer=1152 \
num-buffers=$((samples / 1152)) ! audio/x-raw,rate=48000,channels=2 ! audioconvert \
! avenc_mp2 bitrate=192000 ! mpegaudioparse ! queue ! mux.sink_$1"
}

pipeline="mpegtsmux name=mux alignment=7 ! filesink location=\"$output\""
for stream in "$@"; do
  IFS=: read -r kind pid a b c <<<"$stream"
  case $kind in
    video) pipeline+=" $(video_branch "$pid" "$a" "$b" "$c")" ;;
    audio) pipeline+=" $(audio_branch "$pid" "$a" "$b")" ;;
    *) echo "unknown stream $stream" >&2; exit 2 ;;
  esac
done
eval "gst-launch-1.0 -q $pipeline"
