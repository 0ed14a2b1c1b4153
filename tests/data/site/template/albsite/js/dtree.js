// tree widget fixture
