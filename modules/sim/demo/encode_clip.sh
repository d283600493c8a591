#!/usr/bin/env bash
# Encodes the picture and sound of one demo transponder into a short transport stream that
# tsgen then takes its elementary streams from. Each stream lands on the PID given for it.
#   encode_clip.sh OUTPUT.ts SECONDS STREAM...
#   STREAM: video:PID:CODEC:SIZE:ASPECT:PATTERN:TEXT
#             CODEC mpeg2, h264 or hevc; SIZE WIDTHxHEIGHT; ASPECT 4x3 or 16x9 (the display
#             aspect: MPEG-2 flags it in its sequence header, HD sizes are square pixels);
#             PATTERN a videotestsrc pattern name, "ball" moves, "NAME+scroll" scrolls it
#           audio:PID:CODEC:FREQUENCY_HZ:WAVE
#             CODEC mp2, ac3, eac3 or aac (ADTS); WAVE an audiotestsrc wave name
# SECONDS is a multiple of 0.96, so that the clip holds whole 25 fps frames and whole frames of
# every audio codec at 48 kHz (1152, 1536 and 1024 samples) and loops without a gap. Every
# video GOP is closed and starts with a key frame, one a second.
set -euo pipefail
output=$1 seconds=$2
shift 2
frames=$(awk "BEGIN { printf \"%d\", $seconds * 25 + 0.5 }")
gop=24

video_encoder() { # codec aspect
  case $1 in
    # mjpegtools' encoder: avenc_mpeg2video refuses every frame rate with this libav. A
    # sequence header in every GOP, as broadcasters send it, lets a receiver start at any GOP.
    mpeg2)
      local aspect=2
      [[ $2 == 16x9 ]] && aspect=3
      echo "video/x-raw,format=I420 ! mpeg2enc format=3 bitrate=1500 aspect=$aspect \
max-gop-size=$gop min-gop-size=$gop closed-gop=true sequence-header-every-gop=true \
b-per-refframe=0 reduction-4x4=4 reduction-2x2=4 ! mpegvideoparse" ;;
    h264) echo "x264enc bitrate=1200 speed-preset=ultrafast key-int-max=$gop tune=zerolatency \
! video/x-h264,profile=baseline ! h264parse" ;;
    hevc) echo "x265enc bitrate=600 speed-preset=ultrafast key-int-max=$gop tune=zerolatency \
option-string=open-gop=0 ! h265parse" ;;
    *) echo "unknown video codec $1" >&2; exit 2 ;;
  esac
}

video_branch() { # pid codec size aspect pattern text
  local width=${3%x*} height=${3#*x} pattern=$5 speed=0
  if [[ $pattern == *+scroll ]]; then
    pattern=${pattern%+scroll} speed=4
  fi
  echo "videotestsrc pattern=$pattern horizontal-speed=$speed num-buffers=$frames \
! video/x-raw,width=$width,height=$height,framerate=25/1,pixel-aspect-ratio=1/1 \
! textoverlay text=\"$6\" font-desc=\"DejaVu Sans Bold $((height / 14))\" valignment=center \
halignment=center shaded-background=true ! videoconvert ! $(video_encoder "$2" "$4") \
! queue ! mux.sink_$1"
}

audio_encoder() { # codec
  case $1 in
    mp2) echo "avenc_mp2 bitrate=192000 ! mpegaudioparse" ;;
    ac3) echo "avenc_ac3 bitrate=192000 ! ac3parse" ;;
    eac3) echo "avenc_eac3 bitrate=192000 ! ac3parse" ;;
    aac) echo "avenc_aac bitrate=128000 ! aacparse ! audio/mpeg,stream-format=adts" ;;
    *) echo "unknown audio codec $1" >&2; exit 2 ;;
  esac
}

# GStreamer's transport-stream muxers take no E-AC-3: those streams go into files of their own
# that ffmpeg then copies into the clip beside the others, every stream keeping its PID.
audio_branch() { # pid codec frequency wave
  local sink="queue ! mux.sink_$1"
  if [[ $2 == eac3 ]]; then
    sink="filesink location=\"$output.$1.eac3\""
  fi
  # The AAC encoder adds a frame of its own in front (priming): it gets one frame less of
  # sound, so that the clip still holds exactly its length in frames.
  local buffer=1920 buffers=$frames
  if [[ $2 == aac ]]; then
    buffer=1024 buffers=$((frames * 1920 / 1024 - 1))
  fi
  echo "audiotestsrc freq=$3 wave=$4 volume=0.3 samplesperbuffer=$buffer num-buffers=$buffers \
! audio/x-raw,rate=48000,channels=2 ! audioconvert ! $(audio_encoder "$2") ! $sink"
}

add_late_streams() { # pids in the order of the arguments
  local inputs=(-i "$output") maps=() n=1 index=0 pid
  for pid in "${all[@]}"; do
    if [[ " ${late[*]} " == *" $pid "* ]]; then
      inputs+=(-i "$output.$pid.eac3")
      maps+=(-map "$n:a:0")
      n=$((n + 1))
    else
      maps+=(-map "0:i:$pid")
    fi
    maps+=(-streamid "$index:$pid")
    index=$((index + 1))
  done
  ffmpeg -v error -y "${inputs[@]}" "${maps[@]}" -c copy -f mpegts "$output.full"
  mv "$output.full" "$output"
  for pid in "${late[@]}"; do rm -f "$output.$pid.eac3"; done
}

pipeline="mpegtsmux name=mux alignment=7 ! filesink location=\"$output\""
late=() all=()
for stream in "$@"; do
  IFS=: read -r kind pid a b c d e <<<"$stream"
  all+=("$pid")
  [[ $kind == audio && $a == eac3 ]] && late+=("$pid")
  case $kind in
    video) pipeline+=" $(video_branch "$pid" "$a" "$b" "$c" "$d" "$e")" ;;
    audio) pipeline+=" $(audio_branch "$pid" "$a" "$b" "$c")" ;;
    *) echo "unknown stream $stream" >&2; exit 2 ;;
  esac
done
eval "gst-launch-1.0 -q $pipeline"
if ((${#late[@]})); then
  add_late_streams
fi
