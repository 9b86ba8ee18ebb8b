#!/usr/bin/env bash
# The extended analysis against two peers, side by side on the same files:
# a simulated panel of the HGDP shape (1,043 individuals in 51 samples of 5
# to 50, 650,000 SNPs on 22 chromosomes, 0.5 % missing genotypes), with two
# threads.
#   zeltric-cli on the .bed  vs  plink2 --fst of all samples (same allele counts)
#   zeltric-cli on the VCF   vs  bcftools view decoding the same bgzipped VCF
# Needs plink2 and bcftools (Debian packages of the same names).
# Then the extended permutation test: 10,000 randomisations of the same
# panel with complete genotypes, 100 of the 0.5 % missing one (its cost
# grows with the randomisations), and zeltric-mpi (beside zeltric-cli, when
# built) on one and two processes of one thread.
#   bench/extended_bench.sh build/ci/src/zeltric-cli [WORKDIR]
set -euo pipefail
cli=$(realpath "$1")
work=${2:-$(mktemp -d)}
mkdir -p "$work"
cd "$work"
individuals=1043
snps=650000

if [[ ! -f panel.bed ]]; then
  plink2 --silent --dummy "$individuals" "$snps" 0.005 acgt --threads 2 --make-bed --out dummy >/dev/null
  # 51 samples of 5 to 50 individuals, 1,043 in all.
  awk -v n="$individuals" 'BEGIN { left = n; for (j = 0; j < 51; j++) { s = 5 + (j * 17) % 46;
         if (j == 50 || s > left - 5 * (50 - j)) s = left - 5 * (50 - j); if (j == 50) s = left;
         for (k = 0; k < s; k++) print "pop" j; left -= s } }' > samples.txt
  paste -d' ' samples.txt <(awk '{print $2, $3, $4, $5, $6}' dummy.fam) > panel.fam
  # 22 chromosomes.
  awk -v m="$snps" 'BEGIN { OFS = "\t" } { c = int((NR - 1) * 22 / m) + 1; print c, $2, $3, NR, $5, $6 }' dummy.bim > panel.bim
  cp dummy.bed panel.bed
  awk '{ print $1, $2, $1 }' panel.fam | sed '1i #FID IID pop' > pop.pheno
  awk '{ print $1 "_" $2, $1 }' panel.fam > panel.popmap
  plink2 --silent --bfile panel --threads 2 --export vcf bgz --out panel >/dev/null
fi
if [[ ! -f complete.bed ]]; then
  plink2 --silent --dummy "$individuals" "$snps" 0 acgt --threads 2 --make-bed --out dummy-complete >/dev/null
  paste -d' ' samples.txt <(awk '{print $2, $3, $4, $5, $6}' dummy-complete.fam) > complete.fam
  cp panel.bim complete.bim
  cp dummy-complete.bed complete.bed
fi

measure() {  # label, command...: wall seconds and peak memory
  local label=$1; shift
  /usr/bin/time -f "%e %M" -o time.txt "$@" >/dev/null 2>&1
  read -r seconds kb < time.txt
  printf '%-44s %8.2f s %8d MB\n' "$label" "$seconds" $((kb / 1024))
}

measure "zeltric-cli extended analysis, .bed" "$cli" -q --threads 2 panel.bed
measure "plink2 --fst pop (all samples), .bed" plink2 --bfile panel --pheno pop.pheno --fst pop --threads 2 --out fst
measure "zeltric-cli extended analysis, .vcf.gz" "$cli" -q --threads 2 --popmap panel.popmap panel.vcf.gz
measure "bcftools view, .vcf.gz" bcftools view --threads 1 -Ou -o /dev/null panel.vcf.gz
# The statistics (theta, Nei's diversities, every pairwise theta) on top of
# the extended analysis: the difference from the first line is their time.
measure "zeltric-cli extended analysis + --statistics, .bed" "$cli" -q --threads 2 --statistics panel.bed

test=(-q --seeds 1,2 --seed-file bench.ini)
measure "test, 10,000 randomisations, complete" "$cli" "${test[@]}" --threads 2 --test 10000 complete.bed
measure "test, 100 randomisations, 0.5 % missing" "$cli" "${test[@]}" --threads 2 --test 100 panel.bed
mpi=$(dirname "$cli")/zeltric-mpi
if [[ -x $mpi ]]; then
  for ranks in 1 2; do
    measure "zeltric-mpi, $ranks x 1 thread, 2,000 randomisations, complete" \
      mpirun --allow-run-as-root --oversubscribe -np "$ranks" "$mpi" "${test[@]}" --threads 1 --test 2000 complete.bed
  done
fi
