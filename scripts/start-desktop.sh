#!/usr/bin/env bash
# Starts the desktop program (called by run.sh with its arguments).
#
# Makes the demo project ~/KorinPro/Demo when there is none, and opens it when no
# project has been chosen before; otherwise korinpro opens the remembered
# project. Arguments are passed on: a project folder, --screenshot FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD="${KORIN_BUILD_DIR:-build}"
DEMO_ROOT="${KORIN_DEMO_DIR:-$HOME/KorinPro}"
DEMO="$DEMO_ROOT/Demo"
SETTINGS="${XDG_CONFIG_HOME:-$HOME/.config}/RVK-Nordwerk/KorinPro.conf"

if [ ! -f "$DEMO/Dir.ref" ]; then
  if "$BUILD/korintool" --help 2>&1 | grep -q '^ *demo '; then
    echo "Lege das Beispielprojekt an: $DEMO"
    "$BUILD/korintool" demo "$DEMO_ROOT" >/dev/null
  else
    echo "korintool kennt 'demo' noch nicht: kein Beispielprojekt angelegt."
  fi
fi

# A project given on the command line wins; else the remembered one; else the demo.
args=("$@")
has_folder=0
skip_next=0
for a in "${args[@]+"${args[@]}"}"; do
  if [ "$skip_next" = 1 ]; then skip_next=0; continue; fi
  case "$a" in
    --screenshot) skip_next=1 ;;
    -*) ;;
    *) has_folder=1 ;;
  esac
done
chosen=0
if [ -f "$SETTINGS" ] && grep -q '^ProjectName=..*' "$SETTINGS"; then chosen=1; fi
if [ "$has_folder" = 0 ] && [ "$chosen" = 0 ] && [ -f "$DEMO/Dir.ref" ]; then
  args=("$DEMO" "${args[@]+"${args[@]}"}")
fi

wants_shot=0
for a in "${args[@]+"${args[@]}"}"; do
  case "$a" in --screenshot|--screenshot=*) wants_shot=1 ;; esac
done
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] && [ "$wants_shot" = 0 ]; then
  echo "Keine Anzeige gefunden (DISPLAY und WAYLAND_DISPLAY sind leer): korinpro startet nicht."
  echo "Ein Bild des Hauptfensters entsteht auch ohne Anzeige:"
  if [ -f "$DEMO/Dir.ref" ]; then
    echo "  $BUILD/korinpro \"$DEMO\" --screenshot korinpro.png"
  else
    echo "  $BUILD/korinpro PROJEKTORDNER --screenshot korinpro.png"
  fi
  echo "oder mit einer virtuellen Anzeige:  xvfb-run -a ./run.sh"
  exit 0
fi

exec "$BUILD/korinpro" "${args[@]+"${args[@]}"}"
