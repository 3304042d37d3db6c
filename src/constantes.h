// Every fixed number, path and colour of the game lives here, so a layout or
// a timing is changed in one place.
#ifndef DUSKWANE_CONSTANTES_H
#define DUSKWANE_CONSTANTES_H

#include <cstddef>
#include <cstdint>

// What comes next, as the menus and the game session say it.
enum { EXIT = 0, NEW_GAME = 1, LOAD_GAME = 2, GAME = 3, MAP_MONDE = 4, IN_GAME = 5, MENU_GAME = 6, CINEMATHIQUE = 7 };

// The wolves, in the order they sit in a save.
enum { ZORVIK = 0, THRENN = 1, GULM = 2, WISPEL = 3 };

// Screen.
constexpr int LARGEUR_ECRAN = 1060;
constexpr int HAUTEUR_ECRAN = 740;
constexpr int BPP_ECRAN = 32;
constexpr std::uint32_t FLAGS_FENETRE = 0x40000001u;     // hardware surface, double buffer
constexpr std::uint32_t FLAGS_PLEIN_ECRAN = 0xC0000001u; // the same, full screen
constexpr const char* TITRE_FENETRE = "Duskwane        by Pellimor/ QV ";
constexpr const char* ENV_POSITION_FENETRE = "SDL_VIDEO_WINDOW_POS=center";
constexpr const char* ENV_FENETRE_CENTREE = "SDL_VIDEO_CENTERED=1";
constexpr int FILE_EVENEMENTS = 128; // events SDL 1.2's queue holds

// Sound system.
constexpr int CANAUX_SON = 5;
constexpr int CANAL_TIC = 1;
constexpr int CANAL_VENT_MENU = 2;
constexpr int CANAL_SURVOL = 3;
constexpr int CANAL_MUSIQUE = 3;
constexpr int SON_FREQUENCE = 22050;       // mixer output rate, Hz: the rate all our sounds are made at
constexpr int SON_SORTIE_CANAUX = 2;       // stereo output
constexpr int SON_TAMPON_MIXEUR = 512;     // samples per mixer buffer: short, so a tick follows its letter
constexpr int SON_TAMPON_DECODAGE = 16384; // bytes per decoding step while a file is read whole
constexpr int SON_CANAUX_MAX = 256;        // more channels than this is a caller's mistake
// A sound file of any kind claiming more channels, or a rate in Hz outside these, is refused as damaged: the
// rate steps between these and the mixer's rate all fit SDL 1.2's converter (and the browser's).
constexpr unsigned SON_FICHIER_CANAUX_MAX = 2;
constexpr std::uint32_t SON_FICHIER_FREQUENCE_MIN = 4000;
constexpr std::uint32_t SON_FICHIER_FREQUENCE_MAX = 384000;
// Decoded PCM one sound may hold, in bytes at the mixer's format: 32 MiB, 6 min 20 s of sound (the opening's
// music is 118 s, 10.4 MB). A file whose header states a longer length exactly (a WAV's data size, an MP3's Xing or
// Info frame count) is refused before it is decoded; any other (every Ogg, an MP3 without that header) is decoded
// until it passes the bound, and refused there.
constexpr std::size_t SON_PCM_MAX = std::size_t{32} << 20;
// Vorbis codebooks one link of an Ogg may carry. libvorbis sorts each book on the stack, 12 bytes an entry, and
// builds them all in memory: a 218-byte header can ask for 48 MB of stack. The 240 files Debian's Vorbis encoder
// makes of a sine (quality -1 to 10, mono and stereo, 4,000 to 192,000 Hz; it makes none at 384,000) have at most
// 6,561 entries in one book, 11,813 in all and 61,254 values (entries times dimensions of the books with values):
// these bounds leave room above that, and a book's sort stays under 200 KB of stack, well within Windows' 1 MB.
constexpr std::uint32_t SON_VORBIS_ENTREES_LIVRE = 16384;
constexpr std::uint32_t SON_VORBIS_ENTREES = 65536;
constexpr std::uint32_t SON_VORBIS_VALEURS = 262144;
// Pages an Ogg may lose in a row (each a hole libvorbisfile steps over) before it is taken as damaged.
constexpr unsigned SON_OGG_TROUS_MAX = 8;

// Pictures.
constexpr const char* IMG_TITRE = "rsrc_img/menu.jpg";
constexpr const char* IMG_MENU = "rsrc_img/Menu/menu.jpg";
constexpr const char* IMG_EXIT = "rsrc_img/Menu/exit.jpg";
constexpr const char* IMG_EXIT_B = "rsrc_img/Menu/exitb.jpg";
constexpr const char* IMG_NEWGAME = "rsrc_img/Menu/newgame.jpg";
constexpr const char* IMG_NEWGAME_B = "rsrc_img/Menu/newgameb.jpg";
constexpr const char* IMG_LOADGAME_ENTREE = "rsrc_img/Menu/loadGame.jpg";
constexpr const char* IMG_LOADGAME = "rsrc_img/Menu/loadgame.jpg";
constexpr const char* IMG_LOADGAME_B = "rsrc_img/Menu/loadgameb.jpg";
constexpr const char* IMG_DEMOGAME = "rsrc_img/Menu/demogame.jpg";
constexpr const char* IMG_DEMOGAME_B = "rsrc_img/Menu/demogameb.jpg";
constexpr const char* IMG_PORTRAIT = "rsrc_img/Zorvik.jpg";
constexpr const char* IMG_PORTRAIT_B = "rsrc_img/ZorvikB.png";
constexpr const char* IMG_PRINTBOX = "rsrc_img/font/printBox.png";
constexpr const char* IMG_WOLF_ZORVIK = "rsrc_img/Wolf/zorvik.jpg";
// A picture declaring more pixels on a side than four times the screen's width, or a JPEG of more scans than
// this (libjpeg's own progressive pictures have 10 at most), is refused before it is decoded: the largest one
// the game takes, 4240 x 4240, decodes to 72 MB, a lit menu button of 4000 x 4000 still lights.
constexpr int IMAGE_COTE_MAX = 4 * LARGEUR_ECRAN;
constexpr int IMAGE_PASSES_MAX = 100;

// Fonts.
constexpr const char* FONT_VOLTER = "rsrc_img/font/volter.ttf";
constexpr const char* FONT_TESSMARIN = "rsrc_img/font/Tessmarin.ttf";
constexpr int TAILLE_POLICE_MENU = 30;
constexpr int TAILLE_POLICE_TITRE = 100;
constexpr int TAILLE_POLICE_INTRO = 50;
// A font whose line reaches further above or below its baseline than this many times its size is refused:
// the game's fonts need 1.2 at most, and such a line would be drawn off its box and off the screen.
constexpr int POLICE_LIGNE_MAX_TAILLES = 4;

// Sounds.
constexpr const char* SND_CLICK = "rsrc_snd/Menu/click.wav";
constexpr const char* SND_WIND = "rsrc_snd/Menu/wind.wav";
constexpr const char* SND_SURVOL = "rsrc_snd/Menu/sound82.wav";
constexpr const char* SND_MUSIQUE = "rsrc_snd/Menu/FM_Bratja.mp3";
constexpr const char* SND_TIC = "rsrc_snd/Texte/txt.ogg";

// Map file: 13 rows of 94 tiles; a ledge on row 11 over a gap in the floor of row 12.
constexpr const char* FICHIER_MAP = "map.map";
constexpr int MAP_LIGNES = 13;
constexpr int MAP_COLONNES = 94;
constexpr int MAP_CORNICHE_DEBUT = 20; // the ledge runs strictly between these columns
constexpr int MAP_CORNICHE_FIN = 40;
constexpr int MAP_TROU_DEBUT = 20; // the gap runs from this column to the next, both included
constexpr int MAP_TROU_FIN = 40;

// Timings, in milliseconds: a timed step is taken once strictly more than this has passed.
constexpr std::uint32_t DELAI_CLIGNOTEMENT = 500;
constexpr std::uint32_t DELAI_FRAPPE = 50;
constexpr std::uint32_t DELAI_FONDU = 20;

// Title screen.
constexpr const char* TEXTE_INVITE = "[ Push Any Key ]";
constexpr std::uint8_t COULEUR_INVITE = 245; // near-white prompt

// Text box layout, inside the box picture.
constexpr int TXT_X = 20;
constexpr int TXT_Y0 = 10;
constexpr int TXT_INTERLIGNE = 25;
constexpr int TXT_LIGNES = 5;
constexpr int TXT_TAILLE_LIGNE = 80;
constexpr int TXT_LARGEUR_MAX = 949; // a line is full once it is wider than this
// A line buffer holds this many characters and its terminating zero: a font small enough to fit
// more into the width above still closes the line here.
constexpr int TXT_CARACTERES_MAX = TXT_TAILLE_LIGNE - 1;
// The plain box drawn when printBox.png cannot be loaded, so the text can still be read.
constexpr int TXT_BOITE_LARGEUR = 1000;
constexpr int TXT_BOITE_HAUTEUR = 190;
constexpr std::uint8_t PARCHEMIN_R = 238;
constexpr std::uint8_t PARCHEMIN_G = 226;
constexpr std::uint8_t PARCHEMIN_B = 196;
// Background of shaded text.
constexpr std::uint8_t GRIS_OMBRE = 135;

// The text behind the load-game button.
constexpr const char* TEXTE_TEST =
    "QV: La j'ecris du texte pour faire des tests de longueur de texte trop long qui depasse beaucoup trop";

// Main menu button rows.
constexpr int Y_BOUTON_EXIT = 500;
constexpr int Y_BOUTON_NEWGAME = 200;
constexpr int Y_BOUTON_LOADGAME = 350;
// Demo menu button rows.
constexpr int Y_DEMO_EXIT = 350;
constexpr int Y_DEMO_DEMOGAME = 200;

// Intro fades.
constexpr int FONDU_BLANC_DERNIER = 254;
constexpr int FONDU_PORTRAIT_DERNIER = 159;

// Colours, as red, green, blue.
constexpr std::uint8_t NOIR[3] = {0, 0, 0};          // cleared screens, and in place of a missing menu background
constexpr std::uint8_t ROUGE_MENU[3] = {250, 0, 0};  // the load-game test text
constexpr std::uint8_t ROUGE_CARTE[3] = {250, 0, 0}; // card for a missing menu background
constexpr std::uint8_t NOIR_INTRO[3] = {0, 0, 0};    // the intro's text

// SDL 1.2 values the loops test.
constexpr int SDL_BOUTON_GAUCHE = 1;

// Game session colours, as red, green, blue.
constexpr std::uint8_t FOND_JEU[3] = {0, 100, 30};
constexpr std::uint8_t VERT_CHARGEMENT[3] = {0, 100, 0}; // the load-game screen
constexpr std::uint8_t NOIR_CARTE[3] = {0, 0, 0};        // card for a missing demo menu background
// A demo menu button whose picture is missing is drawn as a plain block.
constexpr int LARGEUR_BOUTON_SECOURS = 420; // the size of the menu button pictures
constexpr int HAUTEUR_BOUTON_SECOURS = 90;
constexpr std::uint8_t BOUTON_SECOURS[3] = {70, 60, 90};
constexpr std::uint8_t BOUTON_SECOURS_B[3] = {150, 110, 60};

// First wolf of a new save: centre of the screen, starting statistics.
constexpr int ZORVIK_X = 530;
constexpr int ZORVIK_Y = 370;
constexpr int ZORVIK_LVL = 25;
constexpr int ZORVIK_PV = 45;
constexpr int ZORVIK_VITESSE = 600;
constexpr int ZORVIK_FORCE = 25;

#endif
