#!/usr/bin/perl
# Writes the Snowball lists of common words that Debian's liblingua-stopwords-perl holds, one
# UTF-8 file a language with one word a line, into OUTPUT_FOLDER as LANGUAGE.txt.
#
# Usage: make_stopwords.pl OUTPUT_FOLDER
use strict;
use warnings;
use Lingua::StopWords qw(getStopWords);

my %languages = (
    da => 'danish',
    fi => 'finnish',
    hu => 'hungarian',
    id => 'indonesian',
    it => 'italian',
    nl => 'dutch',
    no => 'norwegian',
    pt => 'portuguese',
    ro => 'romanian',
    ru => 'russian',
    sv => 'swedish',
);
my $folder = shift or die "usage: make_stopwords.pl OUTPUT_FOLDER\n";
for my $code (sort keys %languages) {
    my $words = getStopWords($code, 'UTF-8') or die "no list of common words for $code\n";
    my $path = "$folder/$languages{$code}.txt";
    open(my $out, '>:encoding(UTF-8)', $path) or die "$path: $!\n";
    print $out "# Snowball list of common words ($languages{$code}), from Lingua::StopWords $Lingua::StopWords::VERSION\n";
    print $out "# (Debian package liblingua-stopwords-perl); Artistic License or GPL-1+.\n";
    print $out "$_\n" for sort keys %$words;
    close($out) or die "$path: $!\n";
}
