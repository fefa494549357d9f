#include "chimes/ChimeScores.h"

#include <array>

namespace chimes {
namespace {

// Voices: {ratio in thousandths, amplitude in per mille, decay time constant in ms,
// detune in mHz} per partial, then attack, release, tremolo rate and depth.

// Inharmonic bell; the detuned pairs beat slowly.
constexpr TVoice kBell{{{{560, 1000, 1100, 0},
                         {560, 670, 990, 1000},
                         {920, 1000, 715, 0},
                         {920, 1800, 605, 1700},
                         {1190, 2670, 358, 0},
                         {1700, 1670, 385, 0},
                         {2000, 1460, 275, 0},
                         {2740, 1330, 220, 0},
                         {3000, 1330, 165, 0},
                         {3760, 1000, 110, 0},
                         {4070, 1330, 83, 0}}},
                       2};
constexpr TVoice kTubular{{{{1000, 1000, 1400, 0},
                            {2000, 500, 1000, 0},
                            {3000, 350, 700, 0},
                            {4200, 300, 450, 0},
                            {5400, 200, 280, 0},
                            {6800, 120, 160, 0}}},
                          2};
constexpr TVoice kMarimba{{{{1000, 1000, 420, 0}, {3930, 300, 110, 0}, {9200, 80, 35, 0}}}, 2};
constexpr TVoice kXylophone{
    {{{1000, 1000, 220, 0}, {3000, 450, 100, 0}, {6000, 200, 50, 0}, {9100, 80, 25, 0}}}, 1};
constexpr TVoice kMusicBox{
    {{{1000, 1000, 800, 0}, {2000, 250, 350, 0}, {5400, 180, 120, 0}, {8900, 60, 50, 0}}}, 1};
constexpr TVoice kCelesta{
    {{{1000, 1000, 900, 0}, {2000, 300, 450, 0}, {3000, 120, 200, 0}, {4000, 80, 100, 0}}}, 2};
constexpr TVoice kVibraphone{
    {{{1000, 1000, 1400, 0}, {4000, 250, 500, 0}, {10000, 50, 90, 0}}}, 2, 0, 550, 300};
constexpr TVoice kGlass{
    {{{1000, 1000, 3500, 0}, {1000, 400, 3500, 1500}, {2000, 180, 1800, 0}, {3000, 60, 1200, 0}}},
    150,
    500};
constexpr TVoice kPad{{{{1000, 1000, 8000, 0},
                        {1000, 700, 8000, 1200},
                        {2000, 450, 6000, 0},
                        {3000, 250, 5000, 0},
                        {4000, 150, 4000, 0},
                        {5000, 90, 3000, 0},
                        {6000, 50, 2500, 0}}},
                      300,
                      600};
// Plucked string: harmonics whose decay shortens with their number.
constexpr TVoice kHarp{{{{1000, 1000, 1500, 0},
                         {2000, 600, 750, 0},
                         {3000, 380, 500, 0},
                         {4000, 260, 375, 0},
                         {5000, 180, 300, 0},
                         {6000, 120, 250, 0},
                         {7000, 80, 214, 0},
                         {8000, 50, 187, 0}}},
                       1};
constexpr TVoice kKalimba{{{{1000, 1000, 650, 0}, {5900, 350, 70, 0}, {2000, 120, 200, 0}}}, 1};
constexpr TVoice kTine{
    {{{1000, 1000, 1500, 0}, {2000, 200, 600, 0}, {3000, 120, 300, 0}, {7000, 250, 45, 0}}}, 2};
constexpr TVoice kCrystal{
    {{{1000, 1000, 900, 0}, {1000, 300, 900, 2500}, {2760, 300, 300, 700}, {5400, 150, 120, 0}}},
    1};
constexpr TVoice kWoodblock{{{{1000, 1000, 35, 0}, {2500, 500, 22, 0}, {4100, 200, 12, 0}}}, 1};
constexpr TVoice kBlip{
    {{{1000, 1000, 260, 0}, {3000, 300, 180, 0}, {5000, 150, 120, 0}, {7000, 80, 80, 0}}}, 5};
constexpr TVoice kBrass{{{{1000, 1000, 2000, 0},
                          {2000, 700, 1600, 0},
                          {3000, 450, 1200, 0},
                          {4000, 280, 900, 0},
                          {5000, 160, 700, 0},
                          {6000, 90, 500, 0}}},
                        35,
                        180};

// Notes: {start ms, voice, key (69 = A 440 Hz), velocity, pan, length ms}.
constexpr TNote k1[] = {{0, &kTubular, 79, 100, -20},
                        {380, &kTubular, 76, 95, 10},
                        {760, &kTubular, 72, 105, 0},
                        {760, &kTubular, 60, 60, 0}};
constexpr TNote k2[] = {{0, &kBell, 84, 110, -15}, {700, &kBell, 91, 90, 20}};
constexpr TNote k3[] = {
    {0, &kMarimba, 72, 100, -30}, {170, &kMarimba, 79, 100, 0}, {340, &kMarimba, 84, 110, 30}};
constexpr TNote k4[] = {{0, &kMarimba, 65, 90, -30},
                        {110, &kMarimba, 69, 95, -10},
                        {220, &kMarimba, 72, 100, 10},
                        {330, &kMarimba, 77, 115, 30},
                        {330, &kMarimba, 53, 80, -30}};
constexpr TNote k5[] = {
    {0, &kPad, 60, 80, -25, 3600},  {0, &kPad, 64, 75, -8, 3600},  {0, &kPad, 67, 75, 8, 3600},
    {0, &kPad, 71, 70, 25, 3600},   {150, &kPad, 74, 70, 0, 3600}, {500, &kCelesta, 91, 70, 30},
    {1200, &kCelesta, 88, 65, -30}, {1900, &kCelesta, 95, 60, 20}, {2600, &kCelesta, 98, 55, -10}};
constexpr TNote k6[] = {{0, &kMusicBox, 88, 100, 10},    {280, &kMusicBox, 91, 95, 15},
                        {560, &kMusicBox, 96, 105, 20},  {840, &kMusicBox, 95, 90, 15},
                        {1120, &kMusicBox, 91, 90, 10},  {1500, &kMusicBox, 96, 100, 0},
                        {1500, &kMusicBox, 72, 70, -20}, {1500, &kMusicBox, 79, 70, -10}};
constexpr TNote k7[] = {{0, &kHarp, 62, 90, -40},   {75, &kHarp, 66, 90, -28},
                        {150, &kHarp, 69, 92, -16}, {225, &kHarp, 73, 95, -4},
                        {300, &kHarp, 74, 95, 8},   {375, &kHarp, 78, 98, 20},
                        {450, &kHarp, 81, 100, 32}, {525, &kHarp, 86, 105, 40}};
constexpr TNote k8[] = {{0, &kVibraphone, 67, 95, -15},
                        {0, &kVibraphone, 71, 90, 15},
                        {420, &kVibraphone, 74, 100, -15},
                        {420, &kVibraphone, 78, 95, 15}};
constexpr TNote k9[] = {{0, &kGlass, 69, 85, -20, 2800},
                        {60, &kGlass, 72, 80, 0, 2800},
                        {120, &kGlass, 76, 80, 20, 2800},
                        {1100, &kGlass, 81, 75, 0, 1800}};
constexpr TNote k10[] = {{0, &kCelesta, 96, 100, 30},
                         {120, &kCelesta, 93, 95, 10},
                         {240, &kCelesta, 89, 95, -10},
                         {360, &kCelesta, 84, 105, -30}};
constexpr TNote k11[] = {{0, &kCrystal, 88, 100, -20}, {200, &kCrystal, 95, 100, 20}};
constexpr TNote k12[] = {{0, &kKalimba, 72, 100, -20},
                         {150, &kKalimba, 76, 95, 0},
                         {300, &kKalimba, 79, 95, 20},
                         {450, &kKalimba, 76, 90, 0},
                         {650, &kKalimba, 84, 105, 10}};
constexpr TNote k13[] = {
    {0, &kHarp, 60, 70, -50},   {40, &kHarp, 62, 72, -43},  {80, &kHarp, 64, 74, -36},
    {120, &kHarp, 65, 76, -29}, {160, &kHarp, 67, 78, -22}, {200, &kHarp, 69, 80, -15},
    {240, &kHarp, 71, 82, -8},  {280, &kHarp, 72, 84, 0},   {320, &kHarp, 74, 86, 8},
    {360, &kHarp, 76, 88, 15},  {400, &kHarp, 77, 90, 22},  {440, &kHarp, 79, 92, 29},
    {480, &kHarp, 81, 94, 36},  {520, &kHarp, 83, 96, 43},  {560, &kHarp, 84, 100, 50},
    {700, &kHarp, 72, 95, -20}, {700, &kHarp, 76, 95, 0},   {700, &kHarp, 79, 95, 20}};
constexpr TNote k14[] = {{0, &kTine, 65, 90, -20},
                         {25, &kTine, 69, 88, -8},
                         {50, &kTine, 72, 88, 8},
                         {75, &kTine, 76, 90, 20},
                         {520, &kTine, 79, 100, 0}};
constexpr TNote k15[] = {{0, &kXylophone, 79, 100, -10},
                         {120, &kXylophone, 79, 95, -10},
                         {240, &kXylophone, 84, 110, 10},
                         {480, &kXylophone, 88, 105, 20}};
constexpr TNote k16[] = {
    {0, &kCelesta, 84, 105, -15}, {0, &kTubular, 72, 60, 0}, {150, &kCelesta, 91, 110, 15}};
constexpr TNote k17[] = {{0, &kBlip, 81, 100, -10}, {90, &kBlip, 88, 105, 10}};
constexpr TNote k18[] = {
    {0, &kHarp, 72, 100, -20}, {100, &kHarp, 76, 100, 0}, {200, &kHarp, 79, 105, 20}};
constexpr TNote k19[] = {{0, &kTubular, 86, 105, 0}, {0, &kTubular, 74, 50, 0}};
constexpr TNote k20[] = {{0, &kBlip, 72, 95, -30},
                         {50, &kBlip, 76, 95, -10},
                         {100, &kBlip, 79, 100, 10},
                         {150, &kBlip, 84, 105, 30}};
constexpr TNote k21[] = {{0, &kWoodblock, 79, 90, -10}, {60, &kKalimba, 93, 100, 10}};
constexpr TNote k22[] = {
    {0, &kWoodblock, 79, 95, -20}, {100, &kWoodblock, 84, 95, 20}, {220, &kMusicBox, 88, 100, 0}};
constexpr TNote k23[] = {{0, &kBrass, 67, 85, -20, 260},   {0, &kBrass, 72, 85, 0, 260},
                         {0, &kBrass, 76, 85, 20, 260},    {380, &kBrass, 67, 95, -20, 1800},
                         {380, &kBrass, 72, 95, -5, 1800}, {380, &kBrass, 76, 95, 10, 1800},
                         {380, &kBrass, 79, 95, 25, 1800}};

// {notes, echo ms, echo feedback per mille, fade ms}
const std::array<TScore, 23> kScores{{
    {k1, 330, 250, 600},  {k2, 0, 0, 700},      {k3, 0, 0, 300},      {k4, 0, 0, 350},
    {k5, 420, 350, 1500}, {k6, 0, 0, 800},      {k7, 260, 220, 700},  {k8, 0, 0, 650},
    {k9, 380, 300, 1000}, {k10, 240, 300, 600}, {k11, 0, 0, 450},     {k12, 0, 0, 600},
    {k13, 0, 0, 700},     {k14, 0, 0, 700},     {k15, 180, 200, 600}, {k16, 160, 180, 400},
    {k17, 0, 0, 250},     {k18, 0, 0, 350},     {k19, 0, 0, 350},     {k20, 0, 0, 250},
    {k21, 0, 0, 250},     {k22, 0, 0, 300},     {k23, 300, 250, 900},
}};

}  // namespace

const TScore& ChimeScore(int number) { return kScores[static_cast<std::size_t>(number - 1)]; }

}  // namespace chimes
