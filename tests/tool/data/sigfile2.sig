eccrypt signature 2
untrusted comment: signature by eccrypt key 94FA8A26E6B2B5D5
prehash: sha256
key id: 94FA8A26E6B2B5D5
trusted comment: stored sample, signature file version 2
signature: 74Fdw3JJmyKmYR5zIel9ArM5tVR4saqZi0vzo-lX:iIwHYC8wqFM8ttWrIiIpDQSqZFGJ2gHPM1RaCOnS
