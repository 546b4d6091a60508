#!/usr/bin/env python3
"""Writes the example PDF files that are delivered in the Samples folder.

Usage: make_samples.py [OUTPUT_FOLDER]   (default: assets/Samples next to this script's folder)

Every file is written here by hand in plain PDF syntax with the standard Type 1 fonts
(Times, Helvetica) and WinAnsiEncoding, so nothing outside the Python standard library is
needed and the output is the same on every run. The texts are in the public domain:

- Gettysburg-Address.pdf: Abraham Lincoln, address at Gettysburg, 19 November 1863 (the
  "Bliss copy" wording).
- The-Raven.pdf: Edgar Allan Poe, "The Raven", 1845. Three pages.
- Aesop-Fables.pdf: five fables of Aesop in the English of Joseph Jacobs, "The Fables of
  Aesop", 1894. Two pages, set in Helvetica.
- Poems-French-German.pdf: Paul Verlaine, "Chanson d'automne" (1866); Johann Wolfgang von
  Goethe, "Wandrers Nachtlied" (1780); Heinrich Heine, "Die Lorelei" (1824), first
  stanza. Accented letters (e, c, a with accents, oe ligature, umlauts, sharp s).
- Scanned-Note.pdf: one page that holds only a picture of a few words drawn as pixels, with
  no text at all, the way a scanned page without a text layer looks.
"""
import os
import sys
import zlib

PAGE_WIDTH = 612
PAGE_HEIGHT = 792
MARGIN = 72
TEXT_WIDTH = PAGE_WIDTH - 2 * MARGIN

# Advance widths (1/1000 em) of the printable ASCII characters of the two regular faces; other
# characters are taken as 600. Bold faces are estimated 8 % wider. Only used to wrap lines.
_HELVETICA = dict(zip(
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~",
    [278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278] + [556] * 10 +
    [278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833,
     722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556, 333, 556,
     556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556, 556, 556, 333, 500, 278, 556,
     500, 722, 500, 500, 500, 334, 260, 334, 584]))
_TIMES = dict(zip(
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~",
    [250, 333, 408, 500, 500, 833, 778, 180, 333, 333, 500, 564, 250, 333, 250, 278] + [500] * 10 +
    [278, 278, 564, 564, 564, 444, 921, 722, 667, 667, 722, 611, 556, 722, 722, 333, 389, 722, 611, 889,
     722, 722, 556, 722, 667, 556, 611, 722, 722, 944, 722, 722, 611, 333, 278, 333, 469, 500, 333, 444,
     500, 444, 500, 444, 333, 500, 500, 278, 278, 500, 278, 778, 500, 500, 500, 500, 333, 389, 278, 500,
     500, 722, 500, 500, 444, 480, 200, 480, 541]))

FONTS = {  # resource name -> (base font, width table, bold)
    "F1": ("Times-Roman", _TIMES, False),
    "F2": ("Times-Bold", _TIMES, True),
    "F3": ("Times-Italic", _TIMES, False),
    "F4": ("Helvetica", _HELVETICA, False),
    "F5": ("Helvetica-Bold", _HELVETICA, True),
}


def text_width(text, font, size):
    _, widths, bold = FONTS[font]
    units = sum(widths.get(ch, 600) for ch in text)
    return units * size / 1000.0 * (1.08 if bold else 1.0)


def pdf_string(text):
    data = text.encode("cp1252")  # WinAnsiEncoding
    out = bytearray(b"(")
    for byte in data:
        if byte in b"()\\":
            out += b"\\" + bytes([byte])
        else:
            out.append(byte)
    out += b")"
    return bytes(out)


class Document:
    """Lays text out top to bottom over as many pages as it needs."""

    def __init__(self, title, author):
        self.title = title
        self.author = author
        self.pages = []  # each page: list of content-stream byte strings
        self.images = {}  # name -> (width, height, gray bytes)
        self.y = None
        self.new_page()

    def new_page(self):
        self.pages.append([])
        self.y = PAGE_HEIGHT - MARGIN

    def room(self, height):
        if self.y - height < MARGIN:
            self.new_page()

    def line(self, text, font="F1", size=12, leading=None, indent=0):
        leading = leading or size * 1.3
        self.room(leading)
        self.y -= leading
        self.pages[-1].append(b"BT /%s %g Tf %.2f %.2f Td %s Tj ET\n" % (
            font.encode(), size, MARGIN + indent, self.y, pdf_string(text)))

    def gap(self, height):
        self.y -= height

    def heading(self, text, font="F2", size=18):
        self.room(size * 3)
        self.line(text, font, size, size * 1.4)
        self.gap(size * 0.5)

    def wrapped(self, text, font="F1", size=12, indent=0, hanging=0):
        """A paragraph broken into lines at blanks so that each line fits the text width."""
        words = text.split(" ")
        current = ""
        first = True
        for word in words:
            candidate = word if not current else current + " " + word
            shift = indent if first else indent + hanging
            if current and text_width(candidate, font, size) > (TEXT_WIDTH - shift) * 0.97:
                self.line(current, font, size, indent=shift)
                first = False
                current = word
            else:
                current = candidate
        if current:
            self.line(current, font, size, indent=indent if first else indent + hanging)

    def paragraphs(self, text, font="F1", size=12, after=8):
        for paragraph in text.strip().split("\n\n"):
            self.wrapped(" ".join(paragraph.split()), font, size)
            self.gap(after)

    def stanzas(self, text, font="F1", size=12, after=10, keep_together=True):
        for stanza in text.strip().split("\n\n"):
            lines = [line.strip() for line in stanza.split("\n")]
            if keep_together:
                self.room(len(lines) * size * 1.3)
            for line in lines:
                self.wrapped(line, font, size, hanging=24)
            self.gap(after)

    def picture(self, name, width, height, gray, shown_width):
        self.images[name] = (width, height, gray)
        shown_height = shown_width * height / width
        self.room(shown_height)
        self.y -= shown_height
        self.pages[-1].append(b"q %.2f 0 0 %.2f %.2f %.2f cm /%s Do Q\n" % (
            shown_width, shown_height, MARGIN, self.y, name.encode()))

    def write(self, path):
        objects = []  # bodies, object number = index + 1

        def add(body):
            objects.append(body)
            return len(objects)

        def reserve():
            objects.append(None)
            return len(objects)

        catalog = reserve()
        pages = reserve()
        font_ids = {}
        for name, (base, _, _) in FONTS.items():
            font_ids[name] = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /%s /Encoding /WinAnsiEncoding >>"
                                 % base.encode())
        image_ids = {}
        for name, (width, height, gray) in self.images.items():
            data = zlib.compress(gray, 9)
            image_ids[name] = add(b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray "
                                  b"/BitsPerComponent 8 /Filter /FlateDecode /Length %d >>\nstream\n%s\nendstream"
                                  % (width, height, len(data), data))
        resources = b"<< /Font << %s >>" % b" ".join(
            b"/%s %d 0 R" % (name.encode(), number) for name, number in font_ids.items())
        if image_ids:
            resources += b" /XObject << %s >>" % b" ".join(
                b"/%s %d 0 R" % (name.encode(), number) for name, number in image_ids.items())
        resources += b" >>"
        kids = []
        for parts in self.pages:
            content = zlib.compress(b"".join(parts), 9)
            stream = add(b"<< /Length %d /Filter /FlateDecode >>\nstream\n%s\nendstream" % (len(content), content))
            kids.append(add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 %d %d] /Resources %s /Contents %d 0 R >>"
                            % (pages, PAGE_WIDTH, PAGE_HEIGHT, resources, stream)))
        objects[catalog - 1] = b"<< /Type /Catalog /Pages %d 0 R >>" % pages
        objects[pages - 1] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (
            b" ".join(b"%d 0 R" % kid for kid in kids), len(kids))
        info = add(b"<< /Title %s /Author %s /Producer (Lexitally sample maker) >>"
                   % (pdf_string(self.title), pdf_string(self.author)))

        out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
        offsets = []
        for number, body in enumerate(objects, start=1):
            offsets.append(len(out))
            out += b"%d 0 obj\n%s\nendobj\n" % (number, body)
        xref = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
        for offset in offsets:
            out += b"%010d 00000 n \n" % offset
        out += b"trailer\n<< /Size %d /Root %d 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
            len(objects) + 1, catalog, info, xref)
        with open(path, "wb") as handle:
            handle.write(out)


GETTYSBURG = """
Four score and seven years ago our fathers brought forth on this continent, a new nation,
conceived in Liberty, and dedicated to the proposition that all men are created equal.

Now we are engaged in a great civil war, testing whether that nation, or any nation so conceived
and so dedicated, can long endure. We are met on a great battle-field of that war. We have come to
dedicate a portion of that field, as a final resting place for those who here gave their lives
that that nation might live. It is altogether fitting and proper that we should do this.

But, in a larger sense, we can not dedicate \u2014 we can not consecrate \u2014 we can not hallow \u2014
this ground. The brave men, living and dead, who struggled here, have consecrated it, far above
our poor power to add or detract. The world will little note, nor long remember what we say here,
but it can never forget what they did here. It is for us the living, rather, to be dedicated here
to the unfinished work which they who fought here have thus far so nobly advanced. It is rather
for us to be here dedicated to the great task remaining before us \u2014 that from these honored dead
we take increased devotion to that cause for which they gave the last full measure of devotion
\u2014 that we here highly resolve that these dead shall not have died in vain \u2014 that this nation,
under God, shall have a new birth of freedom \u2014 and that government of the people, by the
people, for the people, shall not perish from the earth.
"""

RAVEN = """
Once upon a midnight dreary, while I pondered, weak and weary,
Over many a quaint and curious volume of forgotten lore \u2014
While I nodded, nearly napping, suddenly there came a tapping,
As of some one gently rapping, rapping at my chamber door.
"'Tis some visitor," I muttered, "tapping at my chamber door \u2014
Only this and nothing more."

Ah, distinctly I remember it was in the bleak December;
And each separate dying ember wrought its ghost upon the floor.
Eagerly I wished the morrow; \u2014 vainly I had sought to borrow
From my books surcease of sorrow \u2014 sorrow for the lost Lenore \u2014
For the rare and radiant maiden whom the angels name Lenore \u2014
Nameless here for evermore.

And the silken, sad, uncertain rustling of each purple curtain
Thrilled me \u2014 filled me with fantastic terrors never felt before;
So that now, to still the beating of my heart, I stood repeating
"'Tis some visitor entreating entrance at my chamber door \u2014
Some late visitor entreating entrance at my chamber door; \u2014
This it is and nothing more."

Presently my soul grew stronger; hesitating then no longer,
"Sir," said I, "or Madam, truly your forgiveness I implore;
But the fact is I was napping, and so gently you came rapping,
And so faintly you came tapping, tapping at my chamber door,
That I scarce was sure I heard you" \u2014 here I opened wide the door; \u2014
Darkness there and nothing more.

Deep into that darkness peering, long I stood there wondering, fearing,
Doubting, dreaming dreams no mortal ever dared to dream before;
But the silence was unbroken, and the stillness gave no token,
And the only word there spoken was the whispered word, "Lenore?"
This I whispered, and an echo murmured back the word, "Lenore!" \u2014
Merely this and nothing more.

Back into the chamber turning, all my soul within me burning,
Soon again I heard a tapping somewhat louder than before.
"Surely," said I, "surely that is something at my window lattice;
Let me see, then, what thereat is, and this mystery explore \u2014
Let my heart be still a moment and this mystery explore; \u2014
'Tis the wind and nothing more!"

Open here I flung the shutter, when, with many a flirt and flutter,
In there stepped a stately Raven of the saintly days of yore;
Not the least obeisance made he; not a minute stopped or stayed he;
But, with mien of lord or lady, perched above my chamber door \u2014
Perched upon a bust of Pallas just above my chamber door \u2014
Perched, and sat, and nothing more.

Then this ebony bird beguiling my sad fancy into smiling,
By the grave and stern decorum of the countenance it wore,
"Though thy crest be shorn and shaven, thou," I said, "art sure no craven,
Ghastly grim and ancient Raven wandering from the Nightly shore \u2014
Tell me what thy lordly name is on the Night's Plutonian shore!"
Quoth the Raven "Nevermore."

Much I marvelled this ungainly fowl to hear discourse so plainly,
Though its answer little meaning \u2014 little relevancy bore;
For we cannot help agreeing that no living human being
Ever yet was blessed with seeing bird above his chamber door \u2014
Bird or beast upon the sculptured bust above his chamber door,
With such name as "Nevermore."

But the Raven, sitting lonely on the placid bust, spoke only
That one word, as if his soul in that one word he did outpour.
Nothing farther then he uttered \u2014 not a feather then he fluttered \u2014
Till I scarcely more than muttered "Other friends have flown before \u2014
On the morrow he will leave me, as my Hopes have flown before."
Then the bird said "Nevermore."

Startled at the stillness broken by reply so aptly spoken,
"Doubtless," said I, "what it utters is its only stock and store
Caught from some unhappy master whom unmerciful Disaster
Followed fast and followed faster till his songs one burden bore \u2014
Till the dirges of his Hope that melancholy burden bore
Of 'Never \u2014 nevermore'."

But the Raven still beguiling all my fancy into smiling,
Straight I wheeled a cushioned seat in front of bird, and bust and door;
Then, upon the velvet sinking, I betook myself to linking
Fancy unto fancy, thinking what this ominous bird of yore \u2014
What this grim, ungainly, ghastly, gaunt, and ominous bird of yore
Meant in croaking "Nevermore."

This I sat engaged in guessing, but no syllable expressing
To the fowl whose fiery eyes now burned into my bosom's core;
This and more I sat divining, with my head at ease reclining
On the cushion's velvet lining that the lamp-light gloated o'er,
But whose velvet-violet lining with the lamp-light gloating o'er,
She shall press, ah, nevermore!

Then, methought, the air grew denser, perfumed from an unseen censer
Swung by Seraphim whose foot-falls tinkled on the tufted floor.
"Wretch," I cried, "thy God hath lent thee \u2014 by these angels he hath sent thee
Respite \u2014 respite and nepenthe from thy memories of Lenore;
Quaff, oh quaff this kind nepenthe and forget this lost Lenore!"
Quoth the Raven "Nevermore."

"Prophet!" said I, "thing of evil! \u2014 prophet still, if bird or devil! \u2014
Whether Tempter sent, or whether tempest tossed thee here ashore,
Desolate yet all undaunted, on this desert land enchanted \u2014
On this home by Horror haunted \u2014 tell me truly, I implore \u2014
Is there \u2014 is there balm in Gilead? \u2014 tell me \u2014 tell me, I implore!"
Quoth the Raven "Nevermore."

"Prophet!" said I, "thing of evil! \u2014 prophet still, if bird or devil!
By that Heaven that bends above us \u2014 by that God we both adore \u2014
Tell this soul with sorrow laden if, within the distant Aidenn,
It shall clasp a sainted maiden whom the angels name Lenore \u2014
Clasp a rare and radiant maiden whom the angels name Lenore."
Quoth the Raven "Nevermore."

"Be that word our sign of parting, bird or fiend!" I shrieked, upstarting \u2014
"Get thee back into the tempest and the Night's Plutonian shore!
Leave no black plume as a token of that lie thy soul hath spoken!
Leave my loneliness unbroken! \u2014 quit the bust above my door!
Take thy beak from out my heart, and take thy form from off my door!"
Quoth the Raven "Nevermore."

And the Raven, never flitting, still is sitting, still is sitting
On the pallid bust of Pallas just above my chamber door;
And his eyes have all the seeming of a demon's that is dreaming,
And the lamp-light o'er him streaming throws his shadow on the floor;
And my soul from out that shadow that lies floating on the floor
Shall be lifted \u2014 nevermore!
"""

FABLES = [
    ("The Fox and the Grapes", """
One hot summer's day a Fox was strolling through an orchard till he came to a bunch of Grapes just
ripening on a vine which had been trained over a lofty branch. "Just the thing to quench my
thirst," quoth he. Drawing back a few paces, he took a run and a jump, and just missed the bunch.
Turning round again with a One, Two, Three, he jumped up, but with no greater success. Again and
again he tried after the tempting morsel, but at last had to give it up, and walked away with his
nose in the air, saying: "I am sure they are sour."

It is easy to despise what you cannot get.
"""),
    ("The Hare and the Tortoise", """
The Hare was once boasting of his speed before the other animals. "I have never yet been beaten,"
said he, "when I put forth my full speed. I challenge any one here to race with me."

The Tortoise said quietly, "I accept your challenge."

"That is a good joke," said the Hare; "I could dance round you all the way."

"Keep your boasting till you've beaten," answered the Tortoise. "Shall we race?"

So a course was fixed and a start was made. The Hare darted almost out of sight at once, but soon
stopped and, to show his contempt for the Tortoise, lay down to have a nap. The Tortoise plodded on
and plodded on, and when the Hare awoke from his nap, he saw the Tortoise just near the winning-post
and could not run up in time to save the race. Then said the Tortoise:

Plodding wins the race.
"""),
    ("The Shepherd's Boy", """
There was once a young Shepherd Boy who tended his sheep at the foot of a mountain near a dark
forest. It was rather lonely for him all day, so he thought upon a plan by which he could get a
little company and some excitement. He rushed down towards the village calling out "Wolf, Wolf,"
and the villagers came out to meet him, and some of them stopped with him for a considerable time.
This pleased the boy so much that a few days afterwards he tried the same trick, and again the
villagers came to his help. But shortly after this a Wolf actually did come out from the forest,
and began to worry the sheep, and the boy of course cried out "Wolf, Wolf," still louder than
before. But this time the villagers, who had been fooled twice before, thought the boy was again
deceiving them, and nobody stirred to come to his help. So the Wolf made a good meal off the boy's
flock, and when the boy complained, the wise man of the village said:

"A liar will not be believed, even when he speaks the truth."
"""),
    ("The Lion and the Mouse", """
Once when a Lion was asleep a little Mouse began running up and down upon him; this soon wakened
the Lion, who placed his huge paw upon him, and opened his big jaws to swallow him. "Pardon, O
King," cried the little Mouse: "forgive me this time, I shall never forget it: who knows but what I
may be able to do you a turn some of these days?" The Lion was so tickled at the idea of the Mouse
being able to help him, that he lifted up his paw and let him go. Some time after the Lion was
caught in a trap, and the hunters who desired to carry him alive to the King, tied him to a tree
while they went in search of a waggon to carry him on. Just then the little Mouse happened to pass
by, and seeing the sad plight in which the Lion was, went up to him and soon gnawed away the ropes
that bound the King of the Beasts. "Was I not right?" said the little Mouse.

Little friends may prove great friends.
"""),
    ("The Dog and the Shadow", """
It happened that a Dog had got a piece of meat and was carrying it home in his mouth to eat it in
peace. Now on his way home he had to cross a plank lying across a running brook. As he crossed, he
looked down and saw his own shadow reflected in the water beneath. Thinking it was another dog with
another piece of meat, he made up his mind to have that also. So he made a snap at the shadow in
the water, but as he opened his mouth the piece of meat fell out, dropped into the water and was
never seen more.

Beware lest you lose the substance by grasping at the shadow.
"""),
]

VERLAINE = """
Les sanglots longs
Des violons
De l'automne
Blessent mon c\u0153ur
D'une langueur
Monotone.

Tout suffocant
Et bl\u00eame, quand
Sonne l'heure,
Je me souviens
Des jours anciens
Et je pleure ;

Et je m'en vais
Au vent mauvais
Qui m'emporte
De\u00e7\u00e0, del\u00e0,
Pareil \u00e0 la
Feuille morte.
"""

GOETHE = """
\u00dcber allen Gipfeln
Ist Ruh,
In allen Wipfeln
Sp\u00fcrest du
Kaum einen Hauch;
Die V\u00f6gelein schweigen im Walde.
Warte nur, balde
Ruhest du auch.
"""

HEINE = """
Ich wei\u00df nicht, was soll es bedeuten,
Da\u00df ich so traurig bin;
Ein M\u00e4rchen aus uralten Zeiten,
Das kommt mir nicht aus dem Sinn.
"""

# A 5 x 7 pixel alphabet for the picture of words ('#' ink, '.' paper).
GLYPHS = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "I": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    " ": ["....."] * 7,
}


def pixel_text(lines, scale=4, border=16):
    """A gray picture (one byte a pixel) of the lines in the pixel alphabet, dark on light."""
    columns = max(len(line) for line in lines) * 6 - 1
    width = columns * scale + 2 * border
    height = (len(lines) * 10 - 3) * scale + 2 * border
    pixels = bytearray([242]) * (width * height)  # slightly grey paper
    for row, line in enumerate(lines):
        for position, char in enumerate(line):
            for gy, bits in enumerate(GLYPHS[char]):
                for gx, bit in enumerate(bits):
                    if bit != "#":
                        continue
                    left = border + (position * 6 + gx) * scale
                    top = border + (row * 10 + gy) * scale
                    for y in range(top, top + scale):
                        start = y * width + left
                        pixels[start:start + scale] = bytes([24]) * scale
    return width, height, bytes(pixels)


def gettysburg(folder):
    doc = Document("Gettysburg Address", "Abraham Lincoln")
    doc.heading("The Gettysburg Address")
    doc.line("Abraham Lincoln, Gettysburg, Pennsylvania, November 19, 1863", "F3", 12)
    doc.gap(14)
    doc.paragraphs(GETTYSBURG, "F1", 12, after=10)
    doc.write(os.path.join(folder, "Gettysburg-Address.pdf"))


def raven(folder):
    doc = Document("The Raven", "Edgar Allan Poe")
    doc.heading("The Raven")
    doc.line("Edgar Allan Poe, 1845", "F3", 12)
    doc.gap(12)
    doc.stanzas(RAVEN, "F1", 11, after=9)
    doc.write(os.path.join(folder, "The-Raven.pdf"))


def fables(folder):
    doc = Document("Fables of Aesop", "Aesop, translated by Joseph Jacobs")
    doc.heading("Five Fables of Aesop", "F5", 18)
    doc.line("In the English of Joseph Jacobs, 1894", "F4", 10)
    doc.gap(12)
    for title, text in FABLES:
        doc.room(80)
        doc.line(title, "F5", 13, 18)
        doc.gap(4)
        doc.paragraphs(text, "F4", 10.5, after=6)
        doc.gap(8)
    doc.write(os.path.join(folder, "Aesop-Fables.pdf"))


def poems(folder):
    doc = Document("French and German Poems", "Verlaine, Goethe, Heine")
    for title, author, text in (("Chanson d'automne", "Paul Verlaine, 1866", VERLAINE),
                                ("Wandrers Nachtlied", "Johann Wolfgang von Goethe, 1780", GOETHE),
                                ("Die Lorelei", "Heinrich Heine, 1824", HEINE)):
        doc.heading(title, "F2", 15)
        doc.line(author, "F3", 11)
        doc.gap(6)
        doc.stanzas(text, "F1", 11, after=6)
        doc.gap(4)
    doc.write(os.path.join(folder, "Poems-French-German.pdf"))


def scanned(folder):
    doc = Document("Scanned note", "Lexitally samples")
    width, height, gray = pixel_text(["THIS PAGE IS ONLY", "A PICTURE OF TEXT", "NO TEXT LAYER"])
    doc.picture("Im1", width, height, gray, TEXT_WIDTH)
    doc.write(os.path.join(folder, "Scanned-Note.pdf"))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets", "Samples")
    os.makedirs(folder, exist_ok=True)
    for make in (gettysburg, raven, fables, poems, scanned):
        make(folder)


if __name__ == "__main__":
    main()
